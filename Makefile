# The two commands of the README, and the package. Each first installs missing
# Debian packages.
JOBS ?= $(shell nproc)

# The normal build is what the package ships: a Release build with Debian's
# compiler and linker flags (full hardening), warnings as errors.
DEB_ENV = DEB_BUILD_MAINT_OPTIONS=hardening=+all
DEB_CXXFLAGS = $(shell $(DEB_ENV) dpkg-buildflags --get CPPFLAGS) $(shell $(DEB_ENV) dpkg-buildflags --get CXXFLAGS)
DEB_LDFLAGS = $(shell $(DEB_ENV) dpkg-buildflags --get LDFLAGS)
NORMAL_FLAGS = -DCMAKE_BUILD_TYPE=Release -DAGARHOLD_WERROR=ON -DAGARHOLD_WEB_TESTS=ON \
	"-DCMAKE_CXX_FLAGS=$(DEB_CXXFLAGS)" "-DCMAKE_EXE_LINKER_FLAGS=$(DEB_LDFLAGS)"
# The second compiler a packager may use: Debian's clang with the same flags and
# no build type of its own, as Debian's packaging helpers build.
CLANG_FLAGS = -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=None -DAGARHOLD_WERROR=ON -DAGARHOLD_SYSTEM_TESTS=OFF \
	-DAGARHOLD_WEB_TESTS=OFF \
	"-DCMAKE_CXX_FLAGS=$(DEB_CXXFLAGS)" "-DCMAKE_EXE_LINKER_FLAGS=$(DEB_LDFLAGS)"

.PHONY: all deps build build-asan build-clang run web package test test-normal test-asan test-clang bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B build $(NORMAL_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DAGARHOLD_WERROR=ON -DAGARHOLD_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)

build-clang: deps
	cmake -S . -B build-clang $(CLANG_FLAGS)
	cmake --build build-clang -j $(JOBS)

run: build
	./build/agarhold

# The browser game: built into build-web/, a static site any web server can
# host, and served here on the loopback address until Ctrl+C.
WEB_PORT ?= 8080
web: deps
	scripts/build-web build-web
	@echo "Agarhold in the browser: http://localhost:$(WEB_PORT)/  (Ctrl+C stops the server)"
	python3 -m http.server --bind 127.0.0.1 $(WEB_PORT) -d build-web

# The Debian package, agarhold_<version>_<arch>.deb in this folder.
package: build
	cd build && cpack -G DEB -B $(CURDIR)/build/package
	cp build/package/agarhold_*.deb .

test-normal: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test-clang: build-clang
	ctest --test-dir build-clang --output-on-failure -j $(JOBS)

test: test-normal test-asan test-clang

bench: build
	@for b in build/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf build build-asan build-clang build-web build-web-obj
