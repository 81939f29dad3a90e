// The settings reader: keys, prefix matches, comments, warnings and the missing file.
#include <gtest/gtest.h>

#include <sstream>

#include "input/settings.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

std::string apply(const std::string& text) {
    set_default_settings();
    std::istringstream in(text);
    testing::internal::CaptureStdout();
    apply_settings(in);
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(SettingsFile, DefaultsComeFromTheTable) {
    set_default_settings();
    EXPECT_EQ(Perturb, 1);
    EXPECT_EQ(ALPHA, 10);
    EXPECT_EQ(OUTPUT, 0);
    EXPECT_EQ(Beam, 50);
    EXPECT_EQ(Filter, 0);
    EXPECT_EQ(ParetoBeam, 0);
    EXPECT_EQ(BetterUB, 0);
    EXPECT_EQ(RecoveryStep, 1);
    EXPECT_EQ(MoreLoops, 0);
    EXPECT_EQ(Threads, 0);
}

TEST(SettingsFile, EveryKeySetsItsSetting) {
    std::string out = apply(
        "Perturb = 0\nALPHA = 40\nOUTPUT = 2\nBeam = 7\nFilter = 1\nParetoBeam = 1\n"
        "BetterUB = 1\nRecoveryStep = 0\nMoreLoops = 1\nThreads = 3\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(Perturb, 0);
    EXPECT_EQ(ALPHA, 40);
    EXPECT_EQ(OUTPUT, 2);
    EXPECT_EQ(Beam, 7);
    EXPECT_EQ(Filter, 1);
    EXPECT_EQ(ParetoBeam, 1);
    EXPECT_EQ(BetterUB, 1);
    EXPECT_EQ(RecoveryStep, 0);
    EXPECT_EQ(MoreLoops, 1);
    EXPECT_EQ(Threads, 3);
}

TEST(SettingsFile, UnknownKeysAreReportedWithTheirLine) {
    std::string out = apply("Beam = 10\n\nFoo = 3\n");
    EXPECT_EQ(Beam, 10);
    EXPECT_EQ(out, "\nWarning : Unknown message in ZEMKO Config File at line 3\n");
    // Keys are case-sensitive and must begin with a whole key of the table.
    out = apply("beam = 3\nBea = 4\n");
    EXPECT_EQ(Beam, 50);
    EXPECT_EQ(out,
              "\nWarning : Unknown message in ZEMKO Config File at line 1\n"
              "\nWarning : Unknown message in ZEMKO Config File at line 2\n");
}

TEST(SettingsFile, KeysMatchByPrefixAndCommentsAreSilent) {
    std::string out = apply("ALPHAX = 40\nBeamWidth =200\n/* Beam = 3 */\n/*anything\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(ALPHA, 40);
    EXPECT_EQ(Beam, 200);
}

TEST(SettingsFile, LinesWithoutAValue) {
    std::string out = apply("Beam\nBeam=7\nBeam = x\n/*\nFoo=1\nALPHA = 99999999999\n");
    EXPECT_EQ(Beam, 50);
    EXPECT_EQ(ALPHA, 10);
    EXPECT_EQ(out,
              "\nWarning : Missing value in ZEMKO Config File at line 1\n"
              "\nWarning : Missing value in ZEMKO Config File at line 2\n"
              "\nWarning : Missing value in ZEMKO Config File at line 3\n"
              "\nWarning : Unknown message in ZEMKO Config File at line 5\n"
              "\nWarning : Value out of range in ZEMKO Config File at line 6\n");
}

TEST(SettingsFile, LastLineWithoutLineEndCrlfAndByteOrderMark) {
    apply("Beam = 5");
    EXPECT_EQ(Beam, 5);
    apply(
        "\xEF\xBB\xBF"
        "Beam = 6\r\nALPHA = -3\r\n");
    EXPECT_EQ(Beam, 6);
    EXPECT_EQ(ALPHA, -3);
}

TEST(SettingsFile, AReadErrorIsReportedAndTheCutLineIsNotApplied) {
    set_default_settings();
    zemko_test::FailingStreamBuf buf("Beam = 7\n\nALPHA = 1");
    std::istream in(&buf);
    testing::internal::CaptureStdout();
    apply_settings(in);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\nWarning : Cannot read ZEMKO Config File after line 2\n");
    EXPECT_EQ(Beam, 7);
    EXPECT_EQ(ALPHA, 10);  // "ALPHA = 1" may have been the start of "ALPHA = 15"
}

TEST(SettingsFile, MissingFileKeepsTheDefaults) {
    zemko_test::ScratchDir dir;
    Beam = 3;
    testing::internal::CaptureStdout();
    read_settings_file(dir.file("ZEMKO.INI").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\nFile ZEMKO.INI not found. Using default configuration.\n\n");
    EXPECT_EQ(Beam, 50);
    dir.write("ZEMKO.INI", "Beam = 12\n");
    read_settings_file(dir.file("ZEMKO.INI").c_str());
    EXPECT_EQ(Beam, 12);
}
