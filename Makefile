# The entry points; everything else is in tools/ and CMakePresets.json.
.PHONY: demo test bench dist

demo:
	tools/demo

test:
	tools/run-tests

# Figures, not tests: round trips against their floor and 16 live streams for 60 s.
bench:
	tools/bench/run 60

# The SDK package for host developers: build/dist/zentavo-<version>-sdk.zip.
dist:
	tools/dist
