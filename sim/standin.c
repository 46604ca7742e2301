/* Recording stand-in for a router program that does not exist on this host.
 *
 * Installed in the router's PATH under the program's name (a symlink); each
 * call appends "<monotonic time> <name> <arguments, escaped>" to
 * VROUTER_LOG_DIR/standin.log, prints VROUTER_CANNED_DIR/<name>.out if there
 * is one, and exits with the number in <name>.status (default 0). */
#define _GNU_SOURCE
#include "logline.h"

#include <fcntl.h>
#include <libgen.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static void record(const char *name, int argc, char **argv)
{
	struct logline line;
	if (logline_start(&line) < 0)
		return;
	logline_add_raw(&line, " ");
	logline_add_escaped(&line, name);
	for (int i = 1; i < argc; i++) {
		logline_add_raw(&line, " ");
		logline_add_escaped(&line, argv[i]);
	}
	logline_finish(&line, VROUTER_LOG_DIR "/standin.log");
}

static void print_canned(const char *name)
{
	char path[512];
	char buf[4096];
	snprintf(path, sizeof path, VROUTER_CANNED_DIR "/%s.out", name);
	int fd = open(path, O_RDONLY | O_CLOEXEC);
	if (fd < 0)
		return;
	ssize_t n;
	while ((n = read(fd, buf, sizeof buf)) > 0)
		if (write(STDOUT_FILENO, buf, (size_t)n) != n)
			break;
	close(fd);
}

static int canned_status(const char *name)
{
	char path[512];
	snprintf(path, sizeof path, VROUTER_CANNED_DIR "/%s.status", name);
	FILE *f = fopen(path, "re");
	if (!f)
		return 0;
	int status = 0;
	if (fscanf(f, "%d", &status) != 1)
		status = 0;
	fclose(f);
	return status & 0xff;
}

int main(int argc, char **argv)
{
	const char *name = basename(argv[0]);
	record(name, argc, argv);
	print_canned(name);
	return canned_status(name);
}
