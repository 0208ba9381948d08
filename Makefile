# The two entry points of the README: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
PREFIX     ?= /usr/local
# ON makes every compiler warning an error; CI sets it.
WERROR     ?= OFF

.PHONY: deps build run test test-asan screenshot clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS) -DMARROWBY_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/marrowby

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Same suite with AddressSanitizer and UndefinedBehaviorSanitizer; CI runs it after `make test`.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DMARROWBY_SANITIZE=ON -DMARROWBY_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(CURDIR)/tests/ubsan.supp \
	  ctest --output-on-failure -j $(JOBS)

# Pictures for the README, taken by the programs in tools/screenshot under Xvfb.
screenshot: build
	bash scripts/screenshot.sh $(BUILD) docs/table.png

# Programs, desktop entry, icons, metainfo and the systemd unit template under PREFIX
# (DESTDIR is honoured for packaging).
.PHONY: install
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
