# User entry points. Everything else is plain CMake (see README.md).
PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev clang libclang-rt-14-dev qt6-base-dev
BUILD    := build
JOBS     ?= $(shell nproc)
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build test run clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -q && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi

configure: deps
	cmake --preset default

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The logger recording from the station simulator (see tools/run_demo.sh); Ctrl-C ends it.
run: build
	tools/run_demo.sh $(BUILD)

clean:
	rm -rf build build-asan build-tsan build-fuzz
