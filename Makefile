# Shortcuts for the commands in build.sh, which also works where make is not installed.
.PHONY: run check screenshots bench
run:
	./build.sh run
check:
	./build.sh check
screenshots:
	./build.sh screenshots
bench:
	./build.sh bench
