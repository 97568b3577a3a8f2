# Everyday commands, wrapping CMake. On a fresh Debian 12 machine:
#   make demo   installs what is missing, builds, renders a sample slate sequence
#   make test   installs what is missing, builds, runs every test
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 30
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
# ccache, when installed, makes the second and later builds of every folder (and the sanitizer
# builds of unchanged sources) cheap.
CMAKE_GEN  += $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
DEMO_OUT   ?= out/demo
PREFIX     ?= /usr/local

.PHONY: all deps build test demo install test-asan test-tsan fuzz bench compare-peers test-farm format format-check clean
.PHONY: test-ui

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@scripts/demo $(BUILD) $(DEMO_OUT)

# bin/kestrin-render, plugins/ (slateVxtool.vxtool, slate.xml, slateTool.msg), lib/libvxhost.so,
# include/Vx/ and the CMake package Vx (lib/cmake/Vx) under PREFIX.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The test suite under AddressSanitizer + UndefinedBehaviorSanitizer (benchmarks and examples left
# out: no test runs them).
# intercept_tls_get_addr=0: the runtimes of GCC 12 and clang 14 (Debian 12's) take a thread's
# dynamic TLS block for an old glibc's when its address happens to fall at one offset in a page,
# and LeakSanitizer's tracer then crashes reading it at exit ("Tracer caught signal 11"), now and
# then, failing a test that passed. glibc 2.25 and later have no such header; later runtimes
# dropped the guess. The fuzz target below, scripts/fuzz and tests/apps/render/CMakeLists.txt set
# the same.
ASAN_RUNTIME := detect_leaks=1:intercept_tls_get_addr=0
test-asan: deps
	cmake -S . -B $(BUILD_ASAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=address -DVX_BUILD_BENCH=OFF \
	  -DVX_BUILD_EXAMPLES=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=$(ASAN_RUNTIME) UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# The threaded tests under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(BUILD_TSAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_SANITIZE=thread -DVX_BUILD_BENCH=OFF \
	  -DVX_BUILD_EXAMPLES=OFF
	cmake --build $(BUILD_TSAN) -j $(JOBS)
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tsan.supp" ctest --test-dir $(BUILD_TSAN) --output-on-failure -j $(JOBS) -L threads

# The libFuzzer targets (fuzz/), built with clang: the inputs that once crashed them are replayed,
# then each target runs FUZZ_SECONDS from a scratch copy of its seed corpus (scripts/fuzz).
fuzz:
	@scripts/install-deps --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_BUILD_FUZZ=ON \
	  -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF -DVX_BUILD_EXAMPLES=OFF
	cmake --build $(BUILD_FUZZ) --target fuzz_targets -j $(JOBS)
	ASAN_OPTIONS=$(ASAN_RUNTIME) ctest --test-dir $(BUILD_FUZZ) --output-on-failure -L fuzz
	scripts/fuzz $(BUILD_FUZZ) $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b; done

# kestrin-render side by side with ffmpeg drawtext and oiiotool --text (see bench/compare-peers --help).
COMPARE_ARGS ?=
compare-peers: build
	@scripts/install-deps --bench
	bench/compare-peers $(COMPARE_ARGS)

# The render farm end to end on a one-node Slurm started on this machine, as root (scripts/test-farm:
# installs slurm-wlm and munge when missing, stops every daemon it started). Not part of .ci/run.
test-farm: build
	scripts/test-farm $(BUILD)

# The Slate panel (kestrin-render --serve) driven in Debian's chromium by playwright-core, installed
# with npm from tests/ui/package-lock.json into tests/ui/node_modules (no browser is downloaded).
# Leaves a screenshot in $(BUILD)/panel.png; `PANEL_SCREENSHOT=$PWD/docs/images/panel.png make test-ui`
# refreshes the README's.
test-ui: build
	@scripts/install-deps --ui
	cd tests/ui && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
	node tests/ui/panel.test.js $(BUILD)

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

# Fails, listing the differences, when a source is not as `make format` would leave it.
format-check: deps
	git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ)
