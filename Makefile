# Front door for the usual builds; CMake does the real work. See README.md.
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE  ?= cmake
CTEST  ?= ctest

NATIVE_PKGS  := cmake g++ make pkg-config libsdl2-dev libfreetype-dev libpng-dev zlib1g-dev \
                libgtest-dev libbenchmark-dev fonts-dejavu-core
WINDOWS_PKGS := cmake make g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libgtest-dev
WINE_PKGS    := wine64 xvfb xauth xdotool imagemagick x11-utils
# The 32-bit program's Wine, only where 32-bit programs can execute; ensure-packages.sh enables
# the i386 architecture for it. Where it cannot be had, the 32-bit Wine suite says "not run here".
WINE32_PKGS  := wine32:i386
FUZZ_PKGS    := clang libclang-rt-14-dev
DISPLAY_PKGS := xvfb xauth openbox wmctrl xdotool x11-utils weston imagemagick tesseract-ocr
WEB_PKGS     := cmake make emscripten nodejs python3 terser
WEB_TEST_PKGS := chromium
# Release archives, their checks (desktop entry, AppStream, manual page) and the README animation.
RELEASE_PKGS := git zip unzip appstream desktop-file-utils man-db webp imagemagick
# The Debian package: its build and lintian; netpbm reads the frames its autopkgtest checks.
DEB_PKGS     := debhelper dpkg-dev lintian git netpbm

ARGS   ?=
PREFIX ?= /usr/local
FRAMES ?= 1000

.PHONY: all build run install capture test test-native test-asan test-fuzz windows test-wine bench clean \
        deps-native deps-windows deps-wine deps-wine32 deps-fuzz deps-display web serve test-web deps-web deps-web-test \
        dist animation deps-release deb deps-deb

all: build

deps-native:  ; @scripts/ensure-packages.sh $(NATIVE_PKGS)
deps-windows: ; @scripts/ensure-packages.sh $(WINDOWS_PKGS)
deps-wine:    ; @scripts/ensure-packages.sh $(WINE_PKGS)
deps-wine32:
	@if why=$$(scripts/machine-can.sh run-i386); then scripts/ensure-packages.sh --optional $(WINE32_PKGS); \
	 else echo "not installing $(WINE32_PKGS): $$why"; fi
deps-fuzz:    ; @scripts/ensure-packages.sh $(FUZZ_PKGS)
deps-display: ; @scripts/ensure-packages.sh $(DISPLAY_PKGS)
deps-web:     ; @scripts/ensure-packages.sh $(WEB_PKGS)
# npm comes with some builds of nodejs and as its own package with Debian's.
deps-web-test: ; @scripts/ensure-packages.sh $(WEB_TEST_PKGS) && { command -v npm >/dev/null || scripts/ensure-packages.sh npm; }
deps-release: ; @scripts/ensure-packages.sh $(RELEASE_PKGS)
deps-deb:     ; @scripts/ensure-packages.sh $(DEB_PKGS)

# Each configuration is a preset of CMakePresets.json (native, asan, fuzz, mingw64, mingw32, web,
# release), each in its own folder: $(call preset,NAME[,TARGETS]) configures and builds one;
# $(call workflow,NAME) configures, builds and runs its suites (its test preset: a failing
# test's output shown, and the labels and parallelism the suites need).
preset = $(CMAKE) --preset $(1) && $(CMAKE) --build --preset $(1) -j $(JOBS) $(if $(2),--target $(2))
workflow = CMAKE_BUILD_PARALLEL_LEVEL=$(JOBS) CTEST_PARALLEL_LEVEL=$(JOBS) $(CMAKE) --workflow --preset $(1)

build: deps-native
	$(call preset,native)

# Plays the intro (options for the program in ARGS, e.g. ARGS=--window); without a display it
# renders the first ten seconds into capture/ instead.
run: build
	@scripts/play.sh build/app/korvan capture $(ARGS)

# The program, its .desktop entry, icons, manual page and AppStream metainfo under PREFIX (bin/,
# share/applications, share/icons, share/man/man6, share/metainfo).
install: build
	$(CMAKE) --install build --prefix $(PREFIX)

# FRAMES frames (default: the first ten seconds) rendered headless into capture/ as PNG files,
# frame n always the same picture, replacing the frames of an earlier capture there; README.md
# shows how ffmpeg makes a video of them.
capture: build
	build/app/korvan --headless --frames $(FRAMES) --capture capture --replace-frames >/dev/null
	@echo "$(FRAMES) frames in capture/, 100 per second of the intro"

# Native suites, then the same suites under ASan + UBSan, the fuzz run, the Windows
# cross builds (64- and 32-bit) and the suites that run them under Wine, the web page's suites,
# then the release archives with their check. Every stage runs even after one failed; a summary
# of each stage's counts and wall time closes the run, which fails if any stage did.
test:
	@scripts/test-stages.sh "$(MAKE)" test-native test-asan test-fuzz windows test-wine test-web dist

test-native: build deps-display deps-release
	$(CTEST) --preset native -j $(JOBS)

# The asan test preset sets ASAN_OPTIONS (leak checks) and UBSAN_OPTIONS (stack traces).
test-asan: deps-native
	$(call workflow,asan)

test-fuzz: deps-native deps-fuzz
	$(call workflow,fuzz)

# The Windows program twice: 64-bit in build-mingw/, 32-bit in build-mingw32/.
windows: deps-windows
	$(call preset,mingw64)
	$(call preset,mingw32)

# Each build under its own Wine: 64-bit, then 32-bit in a WINEARCH=win32 prefix. Where the
# 32-bit Wine cannot run, its tests say "not run here" and only the program's header is checked.
# The tests of one build share its Wine display and prefix: their presets run them one at a time.
test-wine: windows deps-wine deps-wine32
	$(CTEST) --preset mingw64
	$(CTEST) --preset mingw32

# dist/: the Linux, 64- and 32-bit Windows and web archives, the Debian package (make deb) and
# SHA256SUMS, the same bytes for the same commit; then the check that unpacks them and runs the
# Linux program from its archive and from the package. Only the programs are built here, not the
# test suites (nocheck: the package is the same bytes without its build's run of the suites).
dist: deps-native deps-windows deps-release web
	$(call preset,native,korvan)
	$(call preset,mingw64,korvan)
	$(call preset,mingw32,korvan)
	DEB_BUILD_OPTIONS="nocheck $(DEB_BUILD_OPTIONS)" $(MAKE) --no-print-directory deb
	scripts/dist.sh dist build build-mingw build-mingw32 build-web/site
	$(CTEST) --preset native -j $(JOBS) -L dist

# dist/korvan_VERSION-1_ARCH.deb (+ .buildinfo, .changes) by dpkg-buildpackage from a copy of
# the checkout, lintian-clean; scripts/check-deb-root.sh installs it in a minimal Debian root.
deb: deps-native deps-deb
	JOBS=$(JOBS) scripts/deb.sh dist

# docs/intro.webp, the animation at the top of README.md: a few seconds of the intro captured
# headless, scaled down and looped. Committed; rerun after the intro's picture changes.
animation: build deps-release
	scripts/make-animation.sh build/app/korvan docs/intro.webp

bench: deps-native
	$(call preset,release,korvan_bench)
	build-release/bench/korvan_bench

# One package list, for tests/tool_packages.sh: make -s print-DISPLAY_PKGS
print-%: ; @echo $($*)

# ---- the web page (README.md, "In the browser") ----
# libpng and zlib built for WebAssembly from Debian's sources, kept between builds
# (and across `make clean`) in WEB_LIBS_CACHE, one folder per set of versions; the web preset
# finds them in the folder KORVAN_WEB_LIBS names. $(call web_preset[,CMAKE OPTIONS]) configures
# build-web/ with them (built first if they are not in the cache yet).
WEB_LIBS_CACHE ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/korvan/web-libs
WEB_PORT ?= 8000
# Debian's emcc finds its acorn only through NODE_PATH when node is not Debian's own (the web
# preset sets the same for CMake's own calls).
WEB_ENV  := NODE_PATH=/usr/share/nodejs
web_preset = libs=$$($(WEB_ENV) scripts/web-libs.sh "$(WEB_LIBS_CACHE)" $(JOBS)) && \
	KORVAN_WEB_LIBS="$$libs" $(CMAKE) --preset web $(1)

web: deps-web
	@$(call web_preset)
	$(CMAKE) --build --preset web -j $(JOBS)
	@echo "The page is in build-web/site/: copy that folder to any static web host."

# As a good static host would: gzip, application/wasm, revalidated caching (scripts/serve.py).
serve: web
	@python3 scripts/serve.py build-web/site --port $(WEB_PORT)

# The npm packages of the browser suites (puppeteer-core and lighthouse, pinned by the lockfile).
build-web/npm/node_modules/.package-lock.json: tests/web/package.json tests/web/package-lock.json
	mkdir -p build-web/npm
	cp tests/web/package.json tests/web/package-lock.json build-web/npm/
	npm ci --prefix build-web/npm --no-audit --no-fund

# The web test preset finds the npm packages in build-web/npm (NODE_PATH).
test-web: build web deps-web-test build-web/npm/node_modules/.package-lock.json
	$(call web_preset,-DKORVAN_NATIVE_PROGRAM=$(CURDIR)/build/app/korvan)
	$(CTEST) --preset web -j $(JOBS)
	NODE_PATH=$(CURDIR)/build-web/npm/node_modules node tests/web/report.cjs build-web/site \
	    build-web/web/korvan_node.js build/app/korvan \
	    build-web/web/audit/scores.json

clean:
	rm -rf build build-asan build-fuzz build-mingw build-mingw32 build-release build-web dist
