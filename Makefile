# Two commands on a fresh Debian 12 machine: `make` builds, `make test` builds
# and runs the test suite. Both install the Debian packages they need first.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PACKAGES := cmake g++ make pkg-config qtbase5-dev libcpp-httplib-dev libssl-dev zlib1g-dev libbrotli-dev libcurl4-openssl-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test install clean bench-deps bench

all: build

deps:
	@dpkg -s $(PACKAGES) >/dev/null 2>&1 || { \
		echo "Installing build dependencies: $(PACKAGES)"; \
		$(SUDO) apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $(PACKAGES); }

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Benchmarks: an optimised build of their own, each case printed beside its
# baseline with the ratio of the medians.
BENCH_DIR ?= build-bench
BENCH_PACKAGES := libbenchmark-dev curl
BENCH_ARGS ?= --benchmark_repetitions=5

bench-deps: deps
	@dpkg -s $(BENCH_PACKAGES) >/dev/null 2>&1 || { \
		echo "Installing benchmark dependencies: $(BENCH_PACKAGES)"; \
		$(SUDO) apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $(BENCH_PACKAGES); }

bench: bench-deps
	@cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DVHPD_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS) --target vhpd_bench
	@$(BENCH_DIR)/bench/vhpd_bench $(BENCH_ARGS)

install: build
	@cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	@rm -rf $(BUILD_DIR)
