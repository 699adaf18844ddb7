#include "program/program_runner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace tarvona::testing {

std::string ArtifactDirectory() {
    const std::string dir = std::string(TARVONA_TEST_BINARY_DIR) + "/program-artifacts";
    mkdir(dir.c_str(), 0755);
    return dir;
}

int YellowPixels(const Image& image, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::uint8_t* p = image.At(x, y);
            count += p[0] > 180 && p[1] > 180 && p[2] < 90;
        }
    return count;
}

void ExpectMatchesReference(const ProgramRun& run, const std::string& name) {
    const std::string reference = std::string(TARVONA_REFERENCE_DIR) + "/" + name + ".png";
    const char* update = std::getenv("TARVONA_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePng(reference, run.frame));
        GTEST_SKIP() << "reference written: " << reference;
    }
    const Image expected = LoadPng(reference);
    ASSERT_FALSE(expected.Empty()) << "missing reference " << reference;
    const std::string diff = ArtifactDirectory() + "/" + name + ".diff.png";
    const auto result = CompareImages(run.frame, expected, 24, diff);
    ASSERT_TRUE(result.sizesMatch);
    EXPECT_LE(result.differingPixels, expected.width * expected.height / 200) << "difference image: " << diff;
}

ProgramRun RunProgram(const std::string& name, const std::string& script, int frames,
                      const std::map<std::string, std::string>& extraEnvironment, int timeLimitSeconds,
                      const std::string& workingDirectory) {
    ProgramRun run;
    const std::string dir = ArtifactDirectory();
    const std::string capture = dir + "/" + name + ".png";
    const std::string errors = dir + "/" + name + ".stderr";
    const std::string scriptPath = dir + "/" + name + ".input";
    std::remove(capture.c_str());

    std::map<std::string, std::string> env = {
        {"TARVONA_HEADLESS", "1"},
        {"TARVONA_CAPTURE", capture},
        {"TARVONA_FIXED_CLOCK", "5000"},
        {"LP_NUM_THREADS", "0"},
        {"SDL_VIDEODRIVER", ""},
    };
    if (frames > 0) env["TARVONA_FRAMES"] = std::to_string(frames);
    if (!script.empty()) {
        std::ofstream(scriptPath) << script;
        env["TARVONA_INPUT"] = scriptPath;
    }
    for (const auto& [k, v] : extraEnvironment) env[k] = v;

    const pid_t pid = fork();
    if (pid < 0) return run;
    if (pid == 0) {
        if (chdir(workingDirectory.c_str()) != 0) _exit(126);
        for (const auto& [k, v] : env) {
            if (v.empty())
                unsetenv(k.c_str());
            else
                setenv(k.c_str(), v.c_str(), 1);
        }
        const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) dup2(fd, 2);
        execl(TARVONA_EXECUTABLE, TARVONA_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeLimitSeconds);
    int status = 0;
    while (true) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.exited = WIFEXITED(status);
    run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    run.stderrText = text.str();
    run.frame = LoadPng(capture);
    return run;
}

}  // namespace tarvona::testing
