# SPDX-License-Identifier: GPL-3.0-or-later
# make run: install what is missing, build, start the trainer.  make test: install, build, run every test.
# Each target installs only what it needs (scripts/install-deps.sh: build, run, test) and only if missing.
BUILD ?= build
JOBS ?= $(shell nproc)

PREFIX ?= $(HOME)/.local

.PHONY: all deps deps-build deps-test programs build run test test-sanitize fuzz install deb format \
	format-check clean

all: build

deps:
	@bash scripts/install-deps.sh build run
deps-build:
	@bash scripts/install-deps.sh build
deps-test:
	@bash scripts/install-deps.sh build run test

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The two programs only (no GoogleTest needed).
programs: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target nemora nemora-cli

# Everything, the tests too when GoogleTest is installed.
build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: programs
	./$(BUILD)/nemora

# A tree configured before GoogleTest was installed is configured again, so that it has the tests.
test: deps-test $(BUILD)/build.ninja
	@[ -d $(BUILD)/tests ] || cmake -S . -B $(BUILD)
	cmake --build $(BUILD) -j $(JOBS)
	$(MAKE) --no-print-directory format-check
	bash scripts/run-tests.sh $(BUILD)

# The programs, desktop entry, icons, metainfo and man pages under $(PREFIX) (default ~/.local).
install: programs
	cmake --build $(BUILD) --target package_docs
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# nemora_<version>_<arch>.deb here (CPack, cmake/package.cmake), checked by lintian when it is installed.
deb: deps-build $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target nemora nemora-cli package_docs
	rm -rf nemora_*.deb $(BUILD)/package
	cpack --config $(BUILD)/CPackConfig.cmake -G DEB -B $(BUILD)/package
	mv $(BUILD)/package/nemora_*.deb .
	@if command -v lintian >/dev/null; then lintian --fail-on error nemora_*.deb; \
	else echo "lintian is not installed: the package was not checked"; fi

# Logic tests under AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded tests under
# ThreadSanitizer (separate build trees, no Qt).
test-sanitize: deps-test
	bash scripts/run-sanitized-tests.sh

# libFuzzer targets (fuzz/) built with clang in their own tree, each run for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps-test
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DNEMORA_FUZZ=ON -DNEMORA_BUILD_UI=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	bash scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The sources git knows, or without git (a copied tree) every source outside the build trees.
SOURCES = { git ls-files '*.cpp' '*.h' 2>/dev/null || find . \( -path './build*' -o -path './.*' \) -prune \
	-o \( -name '*.cpp' -o -name '*.h' \) -print; }

format:
	@$(SOURCES) | xargs -r clang-format -i

format-check:
	@bad=$$($(SOURCES) | xargs -r clang-format --dry-run --Werror 2>&1 | grep -o '^[^:]*\.\(cpp\|h\)' | sort -u); \
	if [ -n "$$bad" ]; then echo "Not clang-formatted (run 'make format'):"; echo "$$bad"; exit 1; fi

clean:
	rm -rf $(BUILD) build-asan build-tsan $(FUZZ_BUILD)
