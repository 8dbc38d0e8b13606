// The command-line tool as a user runs it: help, version, dispatch, the
// shared settings options and `velmora formats`.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/test_support.h"
#include "velmora/version.h"

namespace {

struct ToolRun {
    int status = -1;  // exit code, -1 when the tool did not exit normally
    std::string out;  // standard output (and standard error when merged)
};

// Runs the tool through the shell in the given locale.
ToolRun RunTool(const std::string& args, const char* locale = "C.UTF-8", bool mergeStderr = false) {
    std::string command = std::string("LC_ALL=") + locale + " '" + VELMORA_TOOL_PATH + "' " + args +
                          (mergeStderr ? " 2>&1" : " 2>/dev/null");
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    int status = pclose(pipe);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ToolFormats, ListsEveryTypeWithCodePatternAndDescription) {
    ToolRun run = RunTool("formats");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Contains(run.out, "     0  BMP  *.BMP    Bitmap图象文件\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "     3  GIF  *.GIF    Gif图象文件\n"));
    EXPECT_TRUE(Contains(run.out, "     4  JPG  *.JPG    Jpg图象文件\n"));
    EXPECT_TRUE(Contains(run.out, "     2  PCX  *.PCX    Pcx图象文件\n"));
    EXPECT_TRUE(Contains(run.out, "     1  TIF  *.TIF    Tiff图象文件\n"));
    EXPECT_TRUE(Contains(run.out, "     5  PNG  *.PNG    Png图象文件\n"));
    // Table order, not code order.
    EXPECT_LT(run.out.find("GIF  *.GIF"), run.out.find("TIF  *.TIF"));
}

TEST(ToolFormats, PrintsBothFiltersInTheTerminalsEncoding) {
    ToolRun run = RunTool("formats");
    EXPECT_TRUE(Contains(run.out,
                         "Bitmap图象文件(*.BMP)|*.BMP|Gif图象文件(*.GIF)|*.GIF|Jpg图象文件(*.JPG)|*.JPG|"
                         "Pcx图象文件(*.PCX)|*.PCX|Tiff图象文件(*.TIF)|*.TIF|Png图象文件(*.PNG)|*.PNG||\n"));
    EXPECT_TRUE(Contains(run.out,
                         "所有图像文件(*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG;)|*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG||\n"));
}

TEST(ToolFormats, AsciiTerminalGetsQuestionMarksForChinese) {
    ToolRun run = RunTool("formats", "C");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Contains(run.out, "Bitmap????\n")) << run.out;
    for (unsigned char c : run.out) EXPECT_LT(c, 0x80);
}

TEST(ToolFormats, RefusesExtraArguments) {
    EXPECT_EQ(RunTool("formats extra").status, 2);
    EXPECT_EQ(RunTool("formats --help").status, 0);
}

TEST(ToolHelp, HelpListsCommandsAndSharedOptions) {
    ToolRun run = RunTool("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* part : {"usage: velmora", "formats", "info", "convert", "draw", "--virtual-dir",
                             "--memory-limit", "--profile", "--version"})
        EXPECT_TRUE(Contains(run.out, part)) << part;
}

TEST(ToolHelp, VersionPrintsTheLibraryVersion) {
    ToolRun run = RunTool("--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "velmora " VELMORA_VERSION "\n");
}

TEST(ToolHelp, NoCommandIsAUsageError) {
    ToolRun run = RunTool("", "C.UTF-8", true);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.out, "usage: velmora"));
}

TEST(ToolHelp, UnknownCommandFailsAndSaysSo) {
    ToolRun run = RunTool("frobnicate", "C.UTF-8", true);
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(Contains(run.out, "unknown command 'frobnicate'")) << run.out;
}

TEST(ToolOptions, SharedOptionsAreAcceptedAnywhere) {
    vtest::TempDir dir;
    EXPECT_EQ(RunTool("--memory-limit 64M formats").status, 0);
    EXPECT_EQ(RunTool("formats --memory-limit=1024").status, 0);
    EXPECT_EQ(RunTool("formats --virtual-dir '" + dir.path() + "'").status, 0);
    EXPECT_EQ(RunTool("--virtual-dir='" + dir.path() + "' --version").status, 0);
}

TEST(ToolOptions, DoubleDashEndsTheSharedOptions) {
    EXPECT_EQ(RunTool("-- formats").status, 0);
    EXPECT_EQ(RunTool("formats -- --memory-limit 1").status, 2);  // passed on to formats, which takes none
}

TEST(ToolOptions, BadSharedOptionValuesAreUsageErrors) {
    vtest::TempDir dir;
    EXPECT_EQ(RunTool("--memory-limit lots formats").status, 2);
    EXPECT_EQ(RunTool("--memory-limit -5 formats").status, 2);
    EXPECT_EQ(RunTool("--memory-limit 99999999999999999999G formats").status, 2);
    EXPECT_EQ(RunTool("formats --memory-limit").status, 2);
    EXPECT_EQ(RunTool("--virtual-dir '" + dir.file("none") + "' formats").status, 2);
    EXPECT_EQ(RunTool("--profile '" + dir.file("none.ini") + "' formats").status, 2);
}

TEST(ToolOptions, ProfileIsReadBeforeTheCommandRuns) {
    vtest::TempDir dir;
    std::string ini = dir.file("host.ini");
    std::string text = "[DIBSetting]\nVirtualPath=" + dir.dir() + "\nDIBType=4\n";
    vtest::WriteAll(ini, std::vector<unsigned char>(text.begin(), text.end()));
    ToolRun run = RunTool("--profile '" + ini + "' formats");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Contains(run.out, "Default type: 4 (*.JPG)\n")) << run.out;
}

TEST(ToolOptions, WithoutAProfileTheDefaultTypeIsBmp) {
    EXPECT_TRUE(Contains(RunTool("formats").out, "Default type: 0 (*.BMP)\n"));
}

}  // namespace
