# User entry points. Everything else is plain CMake (see README.md).
PACKAGES         := cmake ninja-build g++ libgtest-dev libgmock-dev clang libclang-rt-14-dev qt6-base-dev
WINDOWS_PACKAGES := cmake ninja-build gcc mingw-w64 googletest wine wine64 socat
BUILD            := build
WINDOWS_BUILD    := build-windows
JOBS             ?= $(shell nproc)
SUDO             := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# $(call install-missing,<Debian packages>): installs those that are not installed yet.
define install-missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -q && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi
endef

.PHONY: deps configure build test run deps-windows test-windows clean

deps:
	$(call install-missing,$(PACKAGES))

configure: deps
	cmake --preset default

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The logger recording from the station simulator (see tools/run_demo.sh); Ctrl-C ends it.
run: build
	tools/run_demo.sh $(BUILD)

# The Qt-free targets cross-built for Windows with mingw-w64, their tests run under Wine with
# COM ports on pseudo-terminals (see tests/windows/run_under_wine.sh).
deps-windows:
	$(call install-missing,$(WINDOWS_PACKAGES))

test-windows: deps-windows
	cmake --preset windows
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	tests/windows/run_under_wine.sh $(WINDOWS_BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf build build-asan build-tsan build-fuzz build-windows
