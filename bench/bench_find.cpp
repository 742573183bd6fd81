// quillon-cli find beside quillon-cli tree on the same file, whose 1.6 million elements all
// carry distinct names that match the search text: every node is a match, so find does one
// search step per node. Both commands run as child processes with their output discarded;
// the best of three runs each is reported, with the ratio find / tree (at most 3 expected).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchData.h"

namespace {

constexpr int kNodes = 1600000;

std::string MatchingNamesDocument(const std::string& aDataDir) {
  const std::string path = aDataDir + "/find-1.6m-names.xml";
  if (std::filesystem::exists(path)) return path;
  std::printf("generating %s\n", path.c_str());
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary);
    out << "<r>\n";
    for (int i = 0; i < kNodes; ++i) out << "<match" << i << "/>\n";
    out << "</r>\n";
  }
  std::filesystem::rename(tmp, path);
  return path;
}

// Seconds from fork to exit; -1 when the command failed.
double RunSeconds(const std::vector<std::string>& aArgs) {
  std::vector<char*> argv;
  for (const auto& a : aArgs) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double Best(const std::vector<std::string>& aArgs) {
  double best = -1;
  for (int i = 0; i < 3; ++i) {
    const double s = RunSeconds(aArgs);
    if (s < 0) return -1;
    best = best < 0 ? s : std::min(best, s);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string file = MatchingNamesDocument(BenchDataDir(argc, argv));
  const double tree = Best({QUILLON_CLI, "tree", file});
  const double find = Best({QUILLON_CLI, "find", "match", file});
  if (tree < 0 || find < 0) {
    std::printf("find: quillon-cli failed\n");
    return 1;
  }
  const double ratio = find / tree;
  std::printf("%-34s %8.2f s\n", "quillon-cli tree (1.6M nodes)", tree);
  std::printf("%-34s %8.2f s   %.2fx tree  %s\n", "quillon-cli find (1.6M matches)", find, ratio,
              ratio <= 3.0 ? "ok (at most 3x)" : "SLOW (more than 3x)");
  return 0;
}
