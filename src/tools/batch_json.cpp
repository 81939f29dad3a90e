// The results of a batch as JSON lines.
#include "tools/batch_json.hpp"

#include <cstdio>
#include <memory>

#include "input/jobs.hpp"
#include "tools/gantt_schedule.hpp"

namespace zemko_tools {

namespace {

constexpr const char* REPLACEMENT_CHARACTER = "\\ufffd";

// The length of the well-formed UTF-8 sequence at text[pos], or 0 when there is none.
size_t utf8_length(const std::string& text, size_t pos) {
    const auto byte = [&](size_t k) -> unsigned {
        return pos + k < text.size() ? static_cast<unsigned char>(text[pos + k]) : 0;
    };
    const unsigned lead = byte(0);
    if (lead < 0x80) return 1;
    // The second byte's range depends on the lead (no overlong forms, no surrogates, nothing
    // past U+10FFFF); every later byte is 0x80..0xBF.
    size_t length = 0;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high) return 0;
    for (size_t k = 2; k < length; ++k)
        if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
    return length;
}

template <typename T>
std::string number_or_null(const std::optional<T>& value) {
    return value ? std::to_string(*value) : "null";
}

std::string sequence_field(const std::optional<std::vector<int>>& sequence) {
    if (!sequence) return "null";
    std::string text = "[";
    for (size_t k = 0; k < sequence->size(); ++k) {
        if (k) text += ',';
        text += std::to_string((*sequence)[k]);
    }
    return text + "]";
}

std::string json_object(const BatchRow& row) {
    const SolverTranscript& t = row.transcript;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", row.outcome.seconds);
    const std::pair<const char*, std::string> fields[] = {
        {"instance", json_string(row.instance)},
        {"n", number_or_null(t.n_jobs)},
        {"settings", json_string(row.settings)},
        {"exit_status", std::to_string(row.outcome.exit_status)},
        {"status", json_string(run_status_word(row))},
        {"objective", number_or_null(t.answer())},
        {"beam_objective", number_or_null(t.fo)},
        {"certified_lower_bound", number_or_null(t.certified_lb)},
        {"optimal", t.certified_lb && t.optimal ? "true" : "false"},
        {"best_known", number_or_null(row.best_known)},
        {"seconds", seconds},
        {"peak_memory_kb", std::to_string(row.outcome.peak_memory_kb)},
        {"sequence", sequence_field(row.sequence)},
    };
    std::string text = "{";
    for (const auto& [name, value] : fields) {
        if (text.size() > 1) text += ", ";
        text.append("\"").append(name).append("\": ").append(value);
    }
    return text + "}";
}

}  // namespace

const char* run_status_word(const BatchRow& row) {
    const int status = row.outcome.exit_status;
    const SolverTranscript& t = row.transcript;
    if (status == INTERRUPTED_STATUS || status == TERMINATED_STATUS || t.interrupted)
        return "interrupted";
    if (status == SOLVER_FAILED_STATUS && t.data_refused) return "refused";
    if (status != 0) return "failed";
    if (!t.answer()) return "refused";
    return t.certified_lb && t.optimal ? "optimal" : "solved";
}

std::optional<std::vector<int>> ub_rep_job_numbers(const std::string& data_file,
                                                   const std::string& ub_rep_text) {
    // The table holds MAX_JOBS jobs: too large for the stack of a callback.
    auto table = std::make_unique<zemko::JobTable>();
    if (zemko::read_jobs(data_file.c_str(), *table, nullptr) != zemko::JOBS_LOADED)
        return std::nullopt;
    long long objective = 0;
    std::vector<int> sequence;
    if (!parse_ub_rep(ub_rep_text, table->n_jobs, objective, sequence).empty()) return std::nullopt;
    for (int& job : sequence)
        job = table->jobs[job].number;
    return sequence;
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (size_t pos = 0; pos < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        const size_t length = utf8_length(text, pos);
        if (length == 0) {
            out += REPLACEMENT_CHARACTER;
            ++pos;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(text, pos, length);
        }
        pos += length;
    }
    return out + "\"";
}

std::string json_lines(const std::vector<BatchRow>& rows) {
    std::string text;
    for (const BatchRow& row : rows)
        text += json_object(row) + "\n";
    return text;
}

}  // namespace zemko_tools
