# The two set-up commands: `make demo` (the main job) and `make test`.
# Each installs what is missing, builds both architectures and runs.
# `make dist` writes the release packages and their checksums to dist/.
.PHONY: demo test build setup bench clean dist reproducible

# The shipped x86 build inside the example installer, then the x64 one.
demo: build
	sh demo/run-demo.sh build/x86
	sh demo/run-demo.sh build/x64

test: build
	ctest --preset x86
	ctest --preset x64

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

clean:
	rm -rf build dist
