# The two set-up commands: `make demo` (the main job) and `make test`.
# Each installs what is missing, builds both architectures and runs.
.PHONY: demo test fuzz build setup x86-wine bench clean dist reproducible

# The x86 build's behaviour tests run under the emulated 32-bit Wine
# (tools/x86-wine). `make test KIT_SKIP_X86=1` leaves them out and runs only
# the x86 static checks; CI never does.
KIT_SKIP_X86 ?=

# The shipped x86 build inside the example installer, then the x64 one
# (KIT_SKIP_X86=1: the x64 one only).
demo: $(if $(KIT_SKIP_X86),,x86-wine) build
	$(if $(KIT_SKIP_X86),,sh demo/run-demo.sh build/x86)
	sh demo/run-demo.sh build/x64

test: $(if $(KIT_SKIP_X86),,x86-wine) build
	ctest --preset x86 $(if $(KIT_SKIP_X86),--label-exclude wine)
	ctest --preset x64

# The long campaign: 100,000 hostile-service scenarios, 1,000 random merges
# and the hostile profiles' long cases (see the README, "Hostile input").
fuzz: build
	KIT_CAMPAIGN=long ctest --preset x64 -R '^(dialkit_campaign|hostile_profiles|profmerge_random)$$'

dist: build
	cmake --build --preset x86 --target kit_package
	cmake --build --preset x64 --target kit_package
	rm -rf dist
	mkdir dist
	cp build/x86/package/*.zip build/x64/package/*.zip dist/
	cd dist && LC_ALL=C sha256sum *.zip >SHA256SUMS
	cat dist/SHA256SUMS

# Two more builds of the shipped files, compared with each other and dist/.
reproducible: dist
	sh release/check-reproducible.sh dist

bench: build
	sh bench/run-bench.sh build/x64

build: setup
	cmake --preset x86 >/dev/null
	cmake --build --preset x86
	cmake --preset x64 >/dev/null
	cmake --build --preset x64

setup:
	sh tools/setup-debian.sh

# What runs the x86 build (tests, demo): about a second once it is in place.
x86-wine: setup
	@bash tools/x86-wine/setup || { echo "make: the x86 build cannot run here without the emulated 32-bit Wine (see above); 'make test KIT_SKIP_X86=1' skips its behaviour tests" >&2; exit 1; }

clean:
	rm -rf build dist
