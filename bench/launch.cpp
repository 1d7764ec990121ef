// Starts a program and prints, on one line, the milliseconds from just before
// its exec to the first frame it reports (see first_frame.h) and its peak
// memory in kB at that frame. Fails when the program reports no frame.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qel_launch program [arguments]\n");
    return 2;
  }
  int out[2];
  if (pipe(out) != 0) return 1;
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    dup2(out[1], STDERR_FILENO);
    close(out[0]);
    close(out[1]);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  close(out[1]);
  std::FILE* err = fdopen(out[0], "r");
  char line[1024];
  double frame = -1;
  long kb = -1;
  while (std::fgets(line, sizeof line, err)) {
    double at = 0;
    long peak = 0;
    if (frame < 0 && std::sscanf(line, "first-frame %lf %ld", &at, &peak) == 2) {
      frame = at;
      kb = peak;
    } else {
      std::fputs(line, stderr);  // the program's own messages pass through
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (frame < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "qel_launch: %s reported no first frame\n", argv[1]);
    return 1;
  }
  const double ms =
      (frame - static_cast<double>(start.tv_sec)) * 1e3 - static_cast<double>(start.tv_nsec) / 1e6;
  std::printf("%.3f %ld\n", ms, kb);
  return 0;
}
