# The two set-up commands: `make demo` (the main job) and `make test`.
# Each installs what is missing, builds both architectures and runs.
.PHONY: demo test fuzz build setup bench clean

demo: build
	sh demo/run-demo.sh build/x64

test: build
	ctest --preset x86
	ctest --preset x64

# The long campaign: 100,000 hostile-service scenarios, 1,000 random merges
# and the hostile profiles' long cases (see the README, "Hostile input").
fuzz: build
	KIT_CAMPAIGN=long ctest --preset x64 -R '^(dialkit_campaign|hostile_profiles|profmerge_random)$$'

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
	rm -rf build
