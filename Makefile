# Thin wrapper over CMake presets; every target first installs missing Debian packages.
.PHONY: deps build run test sanitize bench clean

deps:
	@scripts/deps.sh

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default

run: build
	./build/spinlab $(ARGS)

test: build
	ctest --preset default

sanitize: deps
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize
	ctest --preset sanitize

bench: build
	./build/bench/spinlab_bench

clean:
	rm -rf build build-sanitize
