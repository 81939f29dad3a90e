// The settings reader: keys, prefix matches, comments, warnings and the missing file.
#include <gtest/gtest.h>

#include <sstream>

#include "input/settings.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// The settings of the last apply.
Settings settings;

std::string apply(const std::string& text) {
    settings = Settings{};
    std::istringstream in(text);
    std::ostringstream messages;
    apply_settings(in, settings, &messages);
    return messages.str();
}

}  // namespace

TEST(SettingsFile, DefaultsComeFromTheTable) {
    settings = Settings{};
    for (int r = 1; r < n_setting_rows; ++r)
        EXPECT_EQ(settings.*setting_rows[r].setting, setting_rows[r].default_value);
    EXPECT_EQ(settings.perturb, 1);
    EXPECT_EQ(settings.alpha, 10);
    EXPECT_EQ(settings.output, 0);
    EXPECT_EQ(settings.beam, 50);
    EXPECT_EQ(settings.filter, 0);
    EXPECT_EQ(settings.pareto_beam, 0);
    EXPECT_EQ(settings.better_ub, 0);
    EXPECT_EQ(settings.recovery_step, 1);
    EXPECT_EQ(settings.more_loops, 0);
    EXPECT_EQ(settings.threads, 0);
}

TEST(SettingsFile, EveryKeySetsItsSetting) {
    std::string out = apply(
        "Perturb = 0\nALPHA = 40\nOUTPUT = 2\nBeam = 7\nFilter = 1\nParetoBeam = 1\n"
        "BetterUB = 1\nRecoveryStep = 0\nMoreLoops = 1\nThreads = 3\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(settings.perturb, 0);
    EXPECT_EQ(settings.alpha, 40);
    EXPECT_EQ(settings.output, 2);
    EXPECT_EQ(settings.beam, 7);
    EXPECT_EQ(settings.filter, 1);
    EXPECT_EQ(settings.pareto_beam, 1);
    EXPECT_EQ(settings.better_ub, 1);
    EXPECT_EQ(settings.recovery_step, 0);
    EXPECT_EQ(settings.more_loops, 1);
    EXPECT_EQ(settings.threads, 3);
}

TEST(SettingsFile, UnknownKeysAreReportedWithTheirLine) {
    std::string out = apply("Beam = 10\n\nFoo = 3\n");
    EXPECT_EQ(settings.beam, 10);
    EXPECT_EQ(out, "\nWarning : Unknown message in ZEMKO Config File at line 3\n");
    // Keys are case-sensitive and must begin with a whole key of the table.
    out = apply("beam = 3\nBea = 4\n");
    EXPECT_EQ(settings.beam, 50);
    EXPECT_EQ(out,
              "\nWarning : Unknown message in ZEMKO Config File at line 1\n"
              "\nWarning : Unknown message in ZEMKO Config File at line 2\n");
}

TEST(SettingsFile, KeysMatchByPrefixAndCommentsAreSilent) {
    std::string out = apply("ALPHAX = 40\nBeamWidth =200\n/* Beam = 3 */\n/*anything\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(settings.alpha, 40);
    EXPECT_EQ(settings.beam, 200);
}

TEST(SettingsFile, LinesWithoutAValue) {
    std::string out = apply("Beam\nBeam=7\nBeam = x\n/*\nFoo=1\nALPHA = 99999999999\n");
    EXPECT_EQ(settings.beam, 50);
    EXPECT_EQ(settings.alpha, 10);
    EXPECT_EQ(out,
              "\nWarning : Missing value in ZEMKO Config File at line 1\n"
              "\nWarning : Missing value in ZEMKO Config File at line 2\n"
              "\nWarning : Missing value in ZEMKO Config File at line 3\n"
              "\nWarning : Unknown message in ZEMKO Config File at line 5\n"
              "\nWarning : Value out of range in ZEMKO Config File at line 6\n");
}

TEST(SettingsFile, LastLineWithoutLineEndCrlfAndByteOrderMark) {
    apply("Beam = 5");
    EXPECT_EQ(settings.beam, 5);
    apply(
        "\xEF\xBB\xBF"
        "Beam = 6\r\nALPHA = -3\r\n");
    EXPECT_EQ(settings.beam, 6);
    EXPECT_EQ(settings.alpha, -3);
}

TEST(SettingsFile, AReadErrorIsReportedAndTheCutLineIsNotApplied) {
    settings = Settings{};
    zemko_test::FailingStreamBuf buf("Beam = 7\n\nALPHA = 1");
    std::istream in(&buf);
    std::ostringstream messages;
    apply_settings(in, settings, &messages);
    EXPECT_EQ(messages.str(), "\nWarning : Cannot read ZEMKO Config File after line 2\n");
    EXPECT_EQ(settings.beam, 7);
    EXPECT_EQ(settings.alpha, 10);  // "ALPHA = 1" may have been the start of "ALPHA = 15"
}

TEST(SettingsFile, MissingFileKeepsTheDefaults) {
    zemko_test::ScratchDir dir;
    std::ostringstream messages;
    settings = read_settings(dir.file("ZEMKO.INI"), &messages);
    EXPECT_EQ(messages.str(), "\nFile ZEMKO.INI not found. Using default configuration.\n\n");
    EXPECT_EQ(settings.beam, 50);
    dir.write("ZEMKO.INI", "Beam = 12\nFoo\n");
    settings = read_settings(dir.file("ZEMKO.INI"), nullptr);  // the warning goes nowhere
    EXPECT_EQ(settings.beam, 12);
}
