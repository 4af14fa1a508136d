# Shortcuts for the commands in build.sh, which also works where make is not installed.
.PHONY: run check screenshots fuzz bench
run:
	./build.sh run
check:
	./build.sh check
screenshots:
	./build.sh screenshots
fuzz:
	./build.sh fuzz
bench:
	./build.sh bench
