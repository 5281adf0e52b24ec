# The front door: `make run` and `make test` set everything up themselves.

BUILD_DIR ?= build
CMAKE_FLAGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Debian 12 packages the build, the tests and `make run` need.
PACKAGES := build-essential cmake ninja-build pkg-config qt6-base-dev \
            libonig-dev libglib2.0-dev libarchive-dev xz-utils zstd bzip2 fonts-ipafont-gothic xvfb xauth \
            qt6-translations-l10n \
            librsvg2-bin desktop-file-utils appstream groff-base clang
# Only for `make check-package`, never for the tests.
PACKAGE_CHECK_PACKAGES := lintian

# `make install`: PREFIX and DESTDIR as usual.
PREFIX ?= /usr/local
DESTDIR ?=

SEARCH_TEXT ?= 検索

.PHONY: all deps build test run install package check-package clean fuzz

all: build

deps:
	@missing=""; for p in $(PACKAGES) $(EXTRA_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) $(GENERATOR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --parallel

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2

# Every fuzz target, built with clang and libFuzzer in a folder of its own,
# run for FUZZ_SECONDS each.
FUZZ_SECONDS ?= 60
FUZZ_BUILD_DIR ?= build-fuzz
fuzz: deps
	@[ -f $(FUZZ_BUILD_DIR)/CMakeCache.txt ] || CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) $(GENERATOR) \
	  -DKESTU_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD_DIR) --target fuzz_targets --parallel
	tests/fuzz/run.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# The window on the samples; without a display, kestu-grep over them.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ] && [ -x $(BUILD_DIR)/bin/kestu ]; then \
	  $(BUILD_DIR)/bin/kestu "$(CURDIR)/samples" "-s$(SEARCH_TEXT)" -b1 "-f*" ; \
	else \
	  echo "No display found: running kestu-grep over samples/ instead of the window."; \
	  $(BUILD_DIR)/bin/kestu-grep -b "$(SEARCH_TEXT)" samples; \
	fi

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# kestu_VERSION_ARCH.deb in this folder, for /usr.
package: build
	rm -f $(BUILD_DIR)/kestu_*.deb
	cd $(BUILD_DIR) && cpack -G DEB
	rm -f kestu_*.deb
	cp $(BUILD_DIR)/kestu_*.deb .

check-package: package
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(PACKAGE_CHECK_PACKAGES)"
	lintian --fail-on error kestu_*.deb

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_BUILD_DIR)
