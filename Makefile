# Two commands matter: `make run` builds and starts the program, `make test`
# builds and runs every test. Both install missing Debian packages first.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

TSAN_BUILD ?= build-tsan

.PHONY: all deps configure build run test sanitize tsan format format-check bench package clean

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# `make run` opens the sample picture drawn at build time; `make run ARGS=photo.jpg` opens another.
ARGS ?= $(BUILD)/sample.png
run: build
	@if [ -x $(BUILD)/warplet ]; then $(BUILD)/warplet $(ARGS); else $(BUILD)/warplet-demo; fi

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWARPLET_SANITIZE=ON -DWARPLET_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The tests of the code that starts threads (acquisition transfers, the update
# check, the full-size render, exports on their worker) with ThreadSanitizer.
# The distribution's Qt is not instrumented: ignore_noninstrumented_modules
# stops TSan from checking the memory Qt's own threads (image scaling, the
# event dispatcher) handle through its interceptors, whose locking it cannot
# see; tests/tsan.supp holds what is left over of that kind.
TSAN_TARGETS = acquire_tests acquire_ui_tests update_tests update_ui_tests export_tests export_ui_tests dialog_ui_tests warplet-cli
TSAN_TESTS = DeviceTransfer|AcquireWindows|AcquireFlow|UpdateCheck|UpdateNotifier|CheckUpdate|BigPicture|FullSize|VideoStop|ExportWorker|PrintCommands|LoopFanOut|ApngLoop
# Left out: a hand scan stopped at the size limit. SANE's test scanner then
# cancels its reader thread while that thread is blocked writing inside the C
# library, and ThreadSanitizer, which does not see into that library, finds
# the thread ended with its bookkeeping unbalanced. It runs in the other builds.
TSAN_EXCLUDED = DeviceTransfer.AScanLargerThanTheLimitIsRefusedBeforeItIsRead
# QProcess starts warplet-cli with a vfork-like clone that
# ThreadSanitizer takes for a fork of the test program itself: die_after_fork=0
# lets the program start threads after it (the child execs at once).
TSAN_RUN_OPTIONS = TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp ignore_noninstrumented_modules=1 halt_on_error=1 second_deadlock_stack=1 die_after_fork=0"
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARPLET_TSAN=ON -DWARPLET_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	$(TSAN_RUN_OPTIONS) ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)' -E '$(TSAN_EXCLUDED)'

# Formatting by .clang-format: `make format` rewrites, `make format-check` fails
# on any file that differs.
FORMAT_FILES = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
format:
	clang-format -i $(FORMAT_FILES)
format-check:
	clang-format --dry-run -Werror $(FORMAT_FILES)

# A Debian package of the installed program: $(BUILD)/warplet_<version>_<arch>.deb.
package: build
	cmake --build $(BUILD) --target package

# Every benchmark program, BENCH_REPS repetitions interleaved at random (so that
# a change of load on the machine falls on ours and the peer's alike), then one
# summary table of the medians. scripts/install-deps --bench installs the peers.
BENCH_REPS ?= 5
BENCH_RESULTS = $(BUILD)/bench-results
bench: build
	@rm -rf $(BENCH_RESULTS) && mkdir -p $(BENCH_RESULTS)
	@for b in $(BUILD)/bench/warplet-bench-*; do \
	  [ -x "$$b" ] || continue; \
	  "$$b" --benchmark_repetitions=$(BENCH_REPS) --benchmark_enable_random_interleaving=true \
	    --benchmark_report_aggregates_only=true --benchmark_out_format=json \
	    --benchmark_out=$(BENCH_RESULTS)/$$(basename "$$b").json || exit 1; \
	done
	@uptime
	@bash scripts/bench-table $(BENCH_RESULTS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
