// Document load: TXMLDocument (node tree, counters, Messages) beside pugixml's DOM load of the
// same file. Every load runs in a forked child; the parent times the child from fork to exit
// (the whole process: reading, building, tearing down) and takes its peak resident memory from
// wait4. Prints MB/s of input bytes (by the child's CPU time, user and system, and by wall time:
// on a shared machine the wall clock also counts the time other processes hold the cores), peak
// memory as a multiple of the file size, and ratios.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "BenchData.h"
#include "XmlDocument.h"

namespace {

struct TRun {
  double Seconds = 0;      // whole child process
  double Cpu = 0;          // its user and system time
  double PeakMB = 0;       // ru_maxrss
  long long Nodes = 0;     // reported by the child
  double TreeMB = 0;       // the tree's own figure (ours only)
  bool Ok = false;
};

// Runs aLoad in a child; it writes "nodes treeMB ok" to the pipe.
TRun InChild(const std::function<void(FILE*)>& aLoad) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    FILE* out = fdopen(fds[1], "w");
    aLoad(out);
    std::fclose(out);
    _exit(0);
  }
  close(fds[1]);
  TRun run;
  FILE* in = fdopen(fds[0], "r");
  int ok = 0;
  if (std::fscanf(in, "%lld %lf %d", &run.Nodes, &run.TreeMB, &ok) != 3) ok = 0;
  std::fclose(in);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.PeakMB = double(usage.ru_maxrss) / 1024.0;
  run.Cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.Ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

TRun Quillon(const std::string& aPath) {
  return InChild([&](FILE* out) {
    TXMLDocument doc;
    doc.SetFilename(Utf8ToUtf16(aPath));
    std::fprintf(out, "%lld %.1f %d\n", (long long)doc.Tree().Count(), double(doc.Tree().MemoryUsed()) / 1e6,
                 doc.LoadFailed() ? 0 : 1);
  });
}

TRun Pugi(const std::string& aPath) {
  return InChild([&](FILE* out) {
    pugi::xml_document doc;
    const pugi::xml_parse_result r = doc.load_file(aPath.c_str(), pugi::parse_default | pugi::parse_declaration |
                                                                      pugi::parse_comments | pugi::parse_pi);
    long long nodes = 0;
    // Elements, attributes, comments and processing instructions, as the node tree counts them.
    struct TCount : pugi::xml_tree_walker {
      long long* N;
      bool for_each(pugi::xml_node& n) override {
        if (n.type() != pugi::node_pcdata && n.type() != pugi::node_cdata) ++*N;
        for (auto a = n.first_attribute(); a; a = a.next_attribute()) ++*N;
        return true;
      }
    } counter;
    counter.N = &nodes;
    doc.traverse(counter);
    std::fprintf(out, "%lld 0 %d\n", nodes, r ? 1 : 0);
  });
}

TRun Best(TRun (*aLoad)(const std::string&), const std::string& aPath, int aRuns) {
  TRun best;
  for (int i = 0; i < aRuns; ++i) {
    TRun r = aLoad(aPath);
    if (i == 0 || r.Seconds < best.Seconds) best.Seconds = r.Seconds, best.Nodes = r.Nodes, best.TreeMB = r.TreeMB,
                                             best.Ok = r.Ok;
    if (i == 0 || r.Cpu < best.Cpu) best.Cpu = r.Cpu;
    best.PeakMB = i == 0 ? r.PeakMB : std::max(best.PeakMB, r.PeakMB);
  }
  return best;
}

void Compare(const char* aLabel, const std::string& aPath) {
  const double mb = double(std::filesystem::file_size(aPath)) / 1e6;
  const TRun q = Best(Quillon, aPath, 2);
  const TRun p = Best(Pugi, aPath, 2);
  std::printf("%s: %.1f MB\n", aLabel, mb);
  std::printf("  %-22s %8.1f MB/s cpu %8.1f MB/s wall  peak %7.1f MB (%.2fx file)  nodes %lld  tree %.1f MB%s\n",
              "quillon node tree", mb / q.Cpu, mb / q.Seconds, q.PeakMB, q.PeakMB / mb, q.Nodes, q.TreeMB,
              q.Ok ? "" : "  LOAD FAILED");
  std::printf("  %-22s %8.1f MB/s cpu %8.1f MB/s wall  peak %7.1f MB (%.2fx file)  nodes %lld%s\n", "pugixml DOM",
              mb / p.Cpu, mb / p.Seconds, p.PeakMB, p.PeakMB / mb, p.Nodes, p.Ok ? "" : "  LOAD FAILED");
  const double speed = p.Cpu / q.Cpu;
  const double memory = q.PeakMB / mb;
  std::printf("  ratio throughput quillon/pugixml %.2f cpu %.2f wall (goal >= 1: %s), peak memory quillon/file %.2f "
              "(goal <= 2: %s), peak memory quillon/pugixml %.2f\n",
              speed, p.Seconds / q.Seconds, speed >= 1.0 ? "met" : "MISSED", memory, memory <= 2.0 ? "met" : "MISSED",
              q.PeakMB / p.PeakMB);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = BenchDataDir(argc, argv);
  Compare("document-like", BenchDocument(dir));
  Compare("attribute-heavy", BenchAttributeDocument(dir));
  return 0;
}
