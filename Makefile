# The two commands of the README. Each first installs missing Debian packages.
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all deps build build-asan run test test-normal test-asan bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DAGARHOLD_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)

run: build
	./build/agarhold

test-normal: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test: test-normal test-asan

bench: build
	@for b in build/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf build build-asan
