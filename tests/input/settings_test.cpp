// The settings reader: keys, prefix matches, comments, warnings and the missing file.
#include <gtest/gtest.h>

#include <sstream>

#include "input/settings.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// The settings of the last apply.
Settings settings;

std::string apply_text(const std::string& text, std::string* notes = nullptr) {
    settings = Settings{};
    std::istringstream in(text);
    std::ostringstream messages, noted;
    apply_settings(in, settings, &messages, &noted);
    if (notes != nullptr) *notes = noted.str();
    return messages.str();
}

}  // namespace

TEST(SettingsFile, DefaultsComeFromTheTable) {
    settings = Settings{};
    for (int r = 1; r < n_setting_rows; ++r)
        EXPECT_EQ(setting_value(settings, setting_rows[r]), setting_rows[r].default_value);
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
    std::string out = apply_text(
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
    std::string out = apply_text("Beam = 10\n\nFoo = 3\n");
    EXPECT_EQ(settings.beam, 10);
    EXPECT_EQ(out, "\nWarning : Unknown message in ZEMKO Config File at line 3\n");
    // Keys are case-sensitive and must begin with a whole key of the table.
    out = apply_text("beam = 3\nBea = 4\n");
    EXPECT_EQ(settings.beam, 50);
    EXPECT_EQ(out,
              "\nWarning : Unknown message in ZEMKO Config File at line 1\n"
              "\nWarning : Unknown message in ZEMKO Config File at line 2\n");
}

TEST(SettingsFile, KeysMatchByPrefixAndCommentsAreSilent) {
    std::string out = apply_text("ALPHAX = 40\nBeamWidth =200\n/* Beam = 3 */\n/*anything\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(settings.alpha, 40);
    EXPECT_EQ(settings.beam, 200);
}

TEST(SettingsFile, LinesWithoutAValue) {
    std::string out = apply_text("Beam\nBeam=7\nBeam = x\n/*\nFoo=1\nALPHA = 99999999999\n");
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
    apply_text("Beam = 5");
    EXPECT_EQ(settings.beam, 5);
    apply_text(
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

// The settings beyond the first nine take their keys exactly and what users write for them,
// and say on the notes' stream what they cannot take; the console's messages stay as before.
TEST(SettingsFile, ExactKeysTakeDecimalSecondsAndRefuseWhatTheyCannotTake) {
    std::string notes;
    EXPECT_EQ(apply_text("TimeLimit = 0.5\nStepLimit = 300\nSeed = -4\n", &notes), "");
    EXPECT_EQ(notes, "");
    EXPECT_EQ(settings.time_limit, 0.5);
    EXPECT_EQ(settings.step_limit, 300);
    EXPECT_EQ(settings.seed, -4);
    apply_text("TimeLimit = .25\nThreads = 2\n", &notes);
    EXPECT_EQ(settings.time_limit, 0.25);
    EXPECT_EQ(settings.threads, 2);

    const std::string out = apply_text(
        "TimeLimit = -3\nTimeLimitMs = 3\nStepLimit = 2.5\nTimeLimit = 1e10\n"
        "MemoryLimit = -1\nTimeLimit = 2 s\nTimeLimit = 1e9\nSeed=5\nTimeLimit x = 1\n",
        &notes);
    EXPECT_EQ(out,
              "\nWarning : Unknown message in ZEMKO Config File at line 2\n"
              "\nWarning : Unknown message in ZEMKO Config File at line 8\n"
              "\nWarning : Missing value in ZEMKO Config File at line 9\n");
    EXPECT_EQ(notes,
              "Warning: ZEMKO.INI line 1: TimeLimit must be at least 0; the line is left out\n"
              "Warning: ZEMKO.INI line 2: 'TimeLimitMs' is not a key; did you mean TimeLimit?\n"
              "Warning: ZEMKO.INI line 3: StepLimit takes a whole number, not '2.5'; the line is "
              "left out\n"
              "Warning: ZEMKO.INI line 4: TimeLimit takes at most 1000000000 seconds; the line is "
              "left out\n"
              "Warning: ZEMKO.INI line 5: MemoryLimit must be at least 0; the line is left out\n"
              "Warning: ZEMKO.INI line 6: TimeLimit takes a number of seconds, not '2 s'; the "
              "line is left out\n"
              "Warning: ZEMKO.INI line 8: 'Seed=5' is not a key; did you mean Seed (with a "
              "blank after it)?\n");
    EXPECT_EQ(settings.time_limit, 1e9);
    EXPECT_EQ(settings.step_limit, 0);
    EXPECT_EQ(settings.memory_limit, 0);
}
