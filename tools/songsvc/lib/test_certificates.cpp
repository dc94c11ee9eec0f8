// Test CA and server certificate made with the openssl command. Arguments go to the program
// as a vector (no shell), output goes to a log file quoted in the error.
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "songsvc/song_service.h"

extern char** environ;

namespace songsvc {

namespace fs = std::filesystem;

namespace {

constexpr const char* kValidDays = "30";

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs openssl with `args`; stdout and stderr go to `log`. Gives the exit status.
int RunOpenssl(const std::vector<std::string>& args, const fs::path& log) {
  std::vector<char*> argv;
  std::string program = "openssl";
  argv.push_back(program.data());
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, "openssl", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Require(const std::vector<std::string>& args, const fs::path& log) {
  if (RunOpenssl(args, log) != 0) {
    throw std::runtime_error("openssl " + args.front() + " failed: " + ReadAll(log));
  }
}

// Still valid for at least a day.
bool StillValid(const fs::path& cert, const fs::path& log) {
  return fs::exists(cert) &&
         RunOpenssl({"x509", "-checkend", "86400", "-noout", "-in", cert.string()}, log) == 0;
}

// Serialises makers of the same folder (tests run as parallel processes).
class FolderLock {
 public:
  explicit FolderLock(const fs::path& file) : fd_(::open(file.c_str(), O_RDWR | O_CREAT, 0600)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + file.string());
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FolderLock() { ::close(fd_); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

}  // namespace

TestCertificates MakeTestCertificates(const fs::path& dir) {
  fs::create_directories(dir);
  FolderLock lock(dir / ".lock");
  TestCertificates certs{dir / "ca.pem", dir / "server.pem", dir / "server.key"};
  const fs::path log = dir / "openssl.log";
  fs::remove(log);
  if (fs::exists(certs.keyFile) && StillValid(certs.caFile, log) &&
      StillValid(certs.certFile, log)) {
    return certs;
  }

  const fs::path caKey = dir / "ca.key";
  const fs::path csr = dir / "server.csr";
  const fs::path ext = dir / "server.ext";
  {
    std::ofstream out(ext);
    out << "subjectAltName=DNS:localhost,IP:127.0.0.1\n"
           "basicConstraints=critical,CA:FALSE\n"
           "keyUsage=critical,digitalSignature,keyEncipherment\n"
           "extendedKeyUsage=serverAuth\n";
  }
  // EC keys: quick to make, accepted by every TLS client in use.
  Require({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
           "-keyout", caKey.string(), "-out", certs.caFile.string(), "-days", kValidDays, "-subj",
           "/CN=Orvik Test CA", "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
           "keyUsage=critical,keyCertSign,cRLSign"},
          log);
  Require({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
           certs.keyFile.string(), "-out", csr.string(), "-subj", "/CN=localhost"},
          log);
  Require({"x509", "-req", "-in", csr.string(), "-CA", certs.caFile.string(), "-CAkey",
           caKey.string(), "-CAcreateserial", "-out", certs.certFile.string(), "-days", kValidDays,
           "-extfile", ext.string()},
          log);
  std::error_code ec;
  fs::remove(csr, ec);
  fs::remove(ext, ec);
  fs::remove(dir / "ca.srl", ec);
  fs::remove(log, ec);
  return certs;
}

TestCertificates SharedTestCertificates() {
  return MakeTestCertificates(fs::temp_directory_path() /
                              ("orvik-test-certs-" + std::to_string(getuid())));
}

}  // namespace songsvc
