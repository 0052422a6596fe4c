# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run bench fuzz format format-check sanitize tsan clang-test idle-bench clean

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	@$(MAKE) test BUILD=build-asan BUILD_TYPE=Debug CMAKE_FLAGS=-DTAVRIN_SANITIZE=ON

# The tests labelled `threads` (their code runs on more than one thread) under ThreadSanitizer; the fault
# suite runs the real program built for it too. Qt and libdbus are not built for it: tests/tsan.supp
# leaves out what they allocate themselves. The dock's runs on the X server (tray, docklet) are left out.
tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTAVRIN_TSAN=ON >/dev/null
	@cmake --build build-tsan -j$(JOBS) --target threaded-tests
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
		ctest --output-on-failure -j$(JOBS) -L threads

# The same tests built with clang instead of GCC.
clang-test:
	@$(MAKE) test BUILD=build-clang CMAKE_FLAGS="-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++"

# CPU time, wake-ups and memory of the ticker idling in dock mode for 30 s on a virtual display.
idle-bench: build
	@./bench/idle-bench $(BUILD)

# Only what running needs: the program, its catalogs and the data beside it (skins, chime); no tests.
run: configure
	@cmake --build $(BUILD) -j$(JOBS) --target tavrin catalogs progdata
	@./scripts/run-demo $(BUILD)

# Parser speed against a bare tag scan and expat, measured in the same run, and the feed reader against
# expat alone; then fresh starts of the ticker: its first check against a plain download, the same check
# over HTTPS against the plain request, its peak memory against a bare Qt window.
bench: build
	@$(BUILD)/bench/tavrin_bench --benchmark_min_time=0.2
	@$(BUILD)/bench/tavrin_startbench $(BUILD)/tavrin $(BUILD)/bench/tavrin_barewindow

# Fuzzes the feed parser, the settings loaders and the catalog reader for SECONDS seconds each
# (clang, libFuzzer).
SECONDS ?= 60
fuzz: deps
	@./fuzz/run-fuzz.sh $(SECONDS)

# Installs into PREFIX (below DESTDIR for packagers); uninstall takes the same DESTDIR and removes
# what the last install recorded in $(BUILD)/install_manifest.txt.
PREFIX ?= /usr/local
.PHONY: install uninstall
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall:
	@DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(BUILD)/install_manifest.txt -P cmake/Uninstall.cmake

# The Debian package $(BUILD)/tavrin_<version>_<arch>.deb: the files of `make install` below /usr, the
# copyright file and the changelog. deb-check lints it and checks what it holds.
.PHONY: deb deb-check
deb: configure
	@cmake --build $(BUILD) -j$(JOBS) --target tavrin catalogs progdata
	@cd $(BUILD) && { cpack -G DEB >cpack.log || { cat cpack.log; exit 1; }; }
	@sed -n 's/^CPack: - package: \(.*\) generated\.$$/\1/p' $(BUILD)/cpack.log

deb-check: deb
	@./tests/DebCheck.sh "$$(ls -t $(BUILD)/tavrin_*_*.deb | head -n1)"

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build build-asan build-clang build-fuzz build-tsan
