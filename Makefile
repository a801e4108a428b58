# Drives the two CMake configurations (Linux i386 port, Windows port) and
# the guest build rule. The paths below are a contract for scripts and tests:
#   build/linux/tumbex  build/linux/libtblibc.so
#   build/windows/tumbex.exe  build/windows/tblibc.dll
#   build/guest/hello
JOBS ?= $(shell nproc)
ARGS ?= build/guest/hello

# Wine: no Mono/Gecko prompts, no debug chatter.
export WINEDEBUG ?= -all
export WINEDLLOVERRIDES ?= mscoree,mshtml=

.PHONY: all linux windows guests run run-windows test bench fuzz dist clean bootstrap

all: linux windows guests

# Whatever target is typed first installs what is missing. A configuration
# that fails leaves nothing behind: a half-written build folder would make
# every later command fail until `make clean`.
build/linux/Makefile: | bootstrap
	cmake -S . -B build/linux -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake >/dev/null || { rm -rf build/linux; exit 1; }

build/windows/Makefile: | bootstrap
	cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null || { rm -rf build/windows; exit 1; }

linux: build/linux/Makefile
	cmake --build build/linux -j$(JOBS)

windows: build/windows/Makefile
	cmake --build build/windows -j$(JOBS)

guests: build/guest/hello

build/guest/hello: guest/hello/hw.c scripts/build-guest | bootstrap
	scripts/build-guest $@ guest/hello/hw.c

bootstrap:
	@scripts/bootstrap

run: bootstrap linux guests
	build/linux/tumbex $(ARGS)

run-windows: bootstrap windows guests
	wine build/windows/tumbex.exe $(ARGS)

test: bootstrap all
	ctest --test-dir build/linux --output-on-failure
	ctest --test-dir build/windows --output-on-failure

bench: bootstrap linux guests
	@scripts/bootstrap bench
	bench/run

# What a Windows user downloads: build/dist/tumbex-windows-i686.zip.
dist: bootstrap windows guests
	scripts/dist

fuzz: bootstrap
	scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
