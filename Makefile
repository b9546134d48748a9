# Thin wrapper: every target first makes sure the Debian packages are there.
BUILD_DIR ?= build
ASAN_DIR  ?= build-asan
JOBS      ?= $(shell nproc)

.PHONY: all deps configure build run test test-asan bench package clean

all: build

deps:
	@bash scripts/install-deps

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	$(BUILD_DIR)/src/app/wavedock

# The whole suite, then the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, so the sanitizer build never goes stale.
test: build
	bash scripts/run-tests $(BUILD_DIR)
	$(MAKE) test-asan

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DWAVEDOCK_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j$(JOBS)
	bash scripts/run-tests $(ASAN_DIR)

# The Debian package, $(BUILD_DIR)/wavedock_<version>_amd64.deb.
package: build
	cmake --build $(BUILD_DIR) --target package

bench: build
	bash scripts/run-benchmarks $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)
