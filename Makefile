# The two set-up commands: `make demo` (the main job) and `make test`.
# Each installs what is missing, builds both architectures and runs.
.PHONY: demo test build setup bench clean

demo: build
	sh demo/run-demo.sh build/x64

test: build
	ctest --preset x86
	ctest --preset x64

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
