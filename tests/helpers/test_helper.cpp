// A small program the process tests start: it exits, hangs, or reports what it was given.
//   exit N           ends with exit code N
//   hang             waits until it is killed
//   print TEXT       writes TEXT to stdout
//   cwd FILE         writes its working folder to FILE
//   args FILE A...   writes its arguments to FILE, one per line
//   fds FILE         writes the numbers of its open descriptors to FILE, one per line
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string mode = argv[1];
  if (mode == "exit") return argc > 2 ? std::atoi(argv[2]) : 0;
  if (mode == "hang") {
    for (;;) pause();
  }
  if (mode == "print" && argc > 2) {
    std::fputs(argv[2], stdout);
    return 0;
  }
  if (argc < 3) return 2;
  FILE* out = std::fopen(argv[2], "w");
  if (!out) return 3;
  if (mode == "cwd") {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) std::fputs(cwd, out);
  } else if (mode == "args") {
    for (int i = 3; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  } else if (mode == "fds") {
    DIR* dir = opendir("/proc/self/fd");
    const int own = dir ? dirfd(dir) : -1;
    const int outFd = fileno(out);
    while (dirent* e = dir ? readdir(dir) : nullptr) {
      if (e->d_name[0] == '.') continue;
      const int fd = std::atoi(e->d_name);
      if (fd != own && fd != outFd) std::fprintf(out, "%d\n", fd);
    }
    if (dir) closedir(dir);
  }
  std::fclose(out);
  return 0;
}
