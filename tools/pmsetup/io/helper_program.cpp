#include "io/helper_program.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "io/interruption.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {

namespace fs = std::filesystem;

#ifndef _WIN32

namespace {

std::string Output(std::FILE* log) {
  std::string text;
  std::rewind(log);
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, log)) > 0;) text.append(chunk, n);
  if (text.size() > 2000) text = "..." + text.substr(text.size() - 2000);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

std::string FindProgram(const std::string& program) {
  const char* search = std::getenv("PATH");
  const std::string folders = search != nullptr && *search != '\0' ? search : "/usr/local/bin:/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + program;
    std::error_code error;
    if (::access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate, error)) return candidate;
    start = end + 1;
  }
  return std::string();
}

// Runs program with arguments in the given environment, argument by
// argument as given (no shell reads them).  What it prints is shown only
// when it fails.
std::string RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment) {
  const std::string name = Text(Path(program).filename());
  if (Interrupted()) return "interrupted";
  std::FILE* log = std::tmpfile();
  if (log == nullptr) return "cannot run " + name + ": " + std::strerror(errno);
  std::vector<char*> argv{const_cast<char*>(name.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fileno(log), 1);
  posix_spawn_file_actions_adddup2(&actions, fileno(log), 2);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    std::fclose(log);
    return "cannot run " + ShownArgument(program) + ": " + std::strerror(spawned);
  }
  int status = 0;
  bool stopped = false;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      std::fclose(log);
      return "cannot wait for " + name + ": " + std::strerror(errno);
    }
    // Interrupted: the helper goes too, before its output is taken away.
    if (Interrupted() && !stopped) stopped = ::kill(child, SIGTERM) == 0;
  }
  if (stopped) {
    std::fclose(log);
    return "interrupted";
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    std::fclose(log);
    return std::string();
  }
  const std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                            : "signal " + std::to_string(WTERMSIG(status));
  const std::string output = ShownArgument(Output(log), Lines::kMany);
  std::fclose(log);
  return name + " failed (" + how + ")" + (output.empty() ? "" : ":\n" + output);
}

#else

// The helpers are Debian's: on Windows pmsetup finds none.
std::string FindProgram(const std::string&) { return std::string(); }

std::string RunProgram(const std::string& program, const std::vector<std::string>&, const std::vector<std::string>&) {
  return "cannot run " + ShownArgument(program);
}

#endif

}  // namespace pmsetup
