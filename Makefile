# The user's interface to the project: `make run`, `make test`, `make bench`, `make install`,
# `make package`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build run test bench install package clean

all: build

deps:
	@bash scripts/bootstrap

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

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

clean:
	rm -rf $(BUILD)
