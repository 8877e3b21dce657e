/* run-timed: runs one command and reports its wall time and peak memory.
 *
 *   run-timed COMMAND [ARGUMENT...]
 *
 * Forks from this small process and execs COMMAND with standard output and error sent to /dev/null, then
 * prints one line "WALL_MS MAX_RSS_KIB STATUS": the wall time from just before the fork to the child's end
 * (CLOCK_MONOTONIC), the child's peak resident set from wait4 (ru_maxrss, KiB on Linux; it covers the
 * child only, and the few hundred KiB it had as a copy of this process before exec), and the exit status
 * (128 + the signal for a child killed by one, 127 when COMMAND could not be started). The runner's own
 * exit status is 0 whenever it could measure, whatever the child's. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: run-timed COMMAND [ARGUMENT...]\n");
    return 2;
  }
  struct timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t child = fork();
  if (child < 0) {
    perror("run-timed: fork");
    return 1;
  }
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, STDOUT_FILENO) < 0 || dup2(null, STDERR_FILENO) < 0) _exit(127);
    close(null);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) != child) {
    perror("run-timed: wait4");
    return 1;
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  double wallMs = (double)(end.tv_sec - start.tv_sec) * 1e3 + (double)(end.tv_nsec - start.tv_nsec) / 1e6;
  int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  printf("%.3f %ld %d\n", wallMs, usage.ru_maxrss, exitStatus);
  return 0;
}
