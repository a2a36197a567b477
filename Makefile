# The two entry points; everything else is in tools/ and CMakePresets.json.
.PHONY: demo test

demo:
	@echo "make demo: not yet - the sample host and the device simulator come with a later change."

test:
	tools/run-tests
