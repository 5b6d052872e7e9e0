# The user's interface to the project: `make run`, `make test`, `make bench`, `make install`,
# `make package`; CI adds the sanitizer runs `make asan-test` and `make tsan-test` (see .ci/run).
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
# `make test WERROR=ON` turns compiler warnings into errors (CI does).
WERROR ?=
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")

# The GoogleTest programs; ThreadSanitizer runs the ones whose code uses threads.
UNIT_TESTS := core_tests audio_tests ui_tests render_tests http_tests score_tests archive_tests \
	import_tests net_tests overlay_tests player_tests library_tests app_tests midi_tests
TSAN_TESTS := core_tests http_tests net_tests library_tests midi_tests
empty :=
space := $(empty) $(empty)
labels = ^($(subst $(space),|,$(strip $(1))))$$

# Sanitizers stop at the first report and say where.
SAN_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp
# ThreadSanitizer cannot map its shadow memory under the high address randomisation of newer
# kernels ("unexpected memory mapping"); running without randomisation avoids that.
NO_ASLR := $(shell setarch $$(uname -m) -R true >/dev/null 2>&1 && echo "setarch $$(uname -m) -R")

.PHONY: all deps configure build run test bench install package clean asan-test tsan-test

all: build

deps:
	@bash scripts/bootstrap

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt
ifneq ($(WERROR),)
	cmake -S . -B $(BUILD) -DBEATSTRIP_WERROR=$(WERROR) >/dev/null
endif

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/beatstrip $(ARGS)

test: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure --timeout 600

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && { echo "== $$b"; "$$b" || exit 1; }; done; true

# PREFIX defaults to the configured CMAKE_INSTALL_PREFIX (/usr/local); DESTDIR stages the tree.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --strip $(if $(PREFIX),--prefix "$(PREFIX)")

# $(BUILD)/beatstrip_VERSION_ARCH.deb
package: build
	cd $(BUILD) && cpack --config CPackConfig.cmake

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DBEATSTRIP_SANITIZE=address,undefined

# The unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target $(UNIT_TESTS)
	cd $(ASAN_BUILD) && $(SAN_ENV) ctest -j $(JOBS) --output-on-failure --timeout 900 -L '$(call labels,$(UNIT_TESTS))'

$(TSAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(TSAN_BUILD) $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DBEATSTRIP_SANITIZE=thread

# The tests of the threaded layers under ThreadSanitizer.
tsan-test: deps $(TSAN_BUILD)/CMakeCache.txt
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TESTS)
	cd $(TSAN_BUILD) && $(SAN_ENV) $(NO_ASLR) ctest -j $(JOBS) --output-on-failure --timeout 900 --repeat until-pass:2 -L '$(call labels,$(TSAN_TESTS))'

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
