# Two commands on a fresh Debian 12 machine: `make` builds, `make test` builds
# and runs the test suite. Both install the Debian packages they need first.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PACKAGES := cmake g++ make pkg-config qtbase5-dev libcpp-httplib-dev libssl-dev zlib1g-dev libbrotli-dev libcurl4-openssl-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test install clean test-sanitize test-memcheck lint fuzz bench-deps bench

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

# Reliability checks (docs/reliability.md): the suite under AddressSanitizer
# and UndefinedBehaviorSanitizer, one program under valgrind's memcheck, static
# analysis, and a bounded run of every fuzz target.
SANITIZE_DIR ?= build-asan
MEMCHECK_TEST ?= tests/core/tst_login
LINT_DIR ?= build-rel
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
SANITIZER_ENV := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0

# $(call install-packages,<packages>): installs those of <packages> that are missing.
define install-packages
	@dpkg -s $(1) >/dev/null 2>&1 || { \
		echo "Installing: $(1)"; \
		$(SUDO) apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $(1); }
endef

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DVHPD_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

test-memcheck: build
	$(call install-packages,valgrind)
	@for backend in qt curl; do \
		echo "memcheck $(MEMCHECK_TEST) over $$backend"; \
		QT_QPA_PLATFORM=offscreen VHPD_TRANSPORT=$$backend valgrind -q --error-exitcode=1 \
			--leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
			$(BUILD_DIR)/$(MEMCHECK_TEST) -silent || exit 1; \
	done

lint: deps
	$(call install-packages,clang-tidy clazy clang-format)
	@cmake -S . -B $(LINT_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(LINT_DIR) --target vhpd_objects_autogen >/dev/null
	@.ci/lint.sh $(LINT_DIR) $(JOBS)

fuzz: deps
	$(call install-packages,clang libclang-rt-dev)
	@CXX=clang++ cmake -S fuzz -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

install: build
	@cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	@rm -rf $(BUILD_DIR)
