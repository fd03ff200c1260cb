# Thin wrapper over CMake presets; every target first installs missing Debian packages.
.PHONY: deps build run test package check-install slurm-check batch batch-package sanitize fuzz \
        tidy bench clean

deps:
	@scripts/deps.sh

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default

run: build
	./build/spinlab $(ARGS)

test: build
	ctest --preset default

# The Debian packages, build/spinlab_<version>_<arch>.deb and build/spinlab-batch_....deb.
package: build
	cpack --preset default

# spinlab-batch alone in build-batch/, built and tested without any Qt package installed
# (a compute node); batch-package makes its Debian package there.
batch:
	@scripts/deps.sh batch
	cmake --preset batch >/dev/null
	cmake --build --preset batch
	ctest --preset batch

batch-package: batch
	cpack --preset batch

# The installed files and the package as a user gets them (validators, lintian, a scratch root).
check-install: package
	scripts/check-install.sh

# The README's Slurm example on a one-node Slurm started here (root; installs slurm-wlm, munge).
slurm-check: build
	scripts/slurm-check.sh

sanitize: deps
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize
	ctest --preset sanitize

# The conversion fuzzer for FUZZ_SECONDS (new inputs go to build-fuzz/, not to the kept corpus).
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz --target spinlab_fuzz_conversions
	mkdir -p build-fuzz/corpus
	./build-fuzz/fuzz/spinlab_fuzz_conversions -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    build-fuzz/corpus fuzz/corpus/conversions

# clang-tidy with the project's checks (.clang-tidy) over every source file.
tidy: build
	run-clang-tidy -quiet -p build -j 2 '^$(CURDIR)/(src|tools|bench|fuzz)/' >build/tidy.log 2>&1 || true
	@if grep -E '(warning|error):' build/tidy.log; then echo "clang-tidy found problems"; exit 1; fi
	@echo "clang-tidy: clean"

bench: build
	./build/bench/spinlab_bench

clean:
	rm -rf build build-batch build-sanitize build-fuzz
