# The two commands of the README: `make run` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= 2
CMAKE_GEN   = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: run test build build-asan deps screenshot clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	@cmake -S . -B $(BUILD_ASAN) $(CMAKE_GEN) -DLUMACUE_SANITIZE=ON -DLUMACUE_BENCH=OFF >/dev/null
	@cmake --build $(BUILD_ASAN) -j$(JOBS)

run: build
	$(BUILD)/apps/console/Lumacue512 $(ARGS)

test: build
	@echo "== tests =="
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory build-asan
	@echo "== tests with ASan and UBSan =="
	@cd $(BUILD_ASAN) && ctest --output-on-failure -j$(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
