// The Python module's compiled part, _zemko: a thin layer over <zemko/zemko.hpp>, whose tables
// give the types their fields. Solves run with the interpreter's lock released; the calling
// thread meanwhile tells the progress callback, watches the stop object and Ctrl-C, and stops
// the solve when asked.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <zemko/zemko.hpp>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "input/benchmark_layout.hpp"
#include "input/jobs.hpp"
#include "tools/gantt_schedule.hpp"
#include "tools/gantt_svg.hpp"

namespace py = pybind11;

namespace {

// How often the waiting thread looks at the stop object, Ctrl-C and the progress.
constexpr auto WATCH_INTERVAL = std::chrono::milliseconds(50);

// One row of the settings table, for the Python side to build solve's keywords from.
struct SettingInfo {
    std::string name;
    std::string key;
    int default_value;
    zemko::SettingKind kind;
    std::string description;
};

const char* kind_name(zemko::SettingKind kind) {
    switch (kind) {
        case zemko::SettingKind::flag:
            return "flag";
        case zemko::SettingKind::count:
            return "count";
        case zemko::SettingKind::seconds:
            return "seconds";
        default:
            return "number";
    }
}

std::vector<SettingInfo> setting_infos() {
    return {
#define ZEMKO_SETTING_INFO(field, key, default_value, kind, match, description) \
    {#field, key, default_value, zemko::SettingKind::kind, description},
        ZEMKO_SETTINGS(ZEMKO_SETTING_INFO)
#undef ZEMKO_SETTING_INFO
    };
}

// An integer (a Python int, a bool or a numpy integer) as a signed 32-bit value; `what` names
// it in the message of a refusal.
int checked_int(const py::handle& value, const std::string& what) {
    PyObject* number = PyNumber_Index(value.ptr());
    if (!number) {
        PyErr_Clear();
        throw py::type_error(what + " is not an integer");
    }
    int overflow = 0;
    const long long result = PyLong_AsLongLongAndOverflow(number, &overflow);
    Py_DECREF(number);
    if (overflow != 0 || result < INT_MIN || result > INT_MAX)
        throw py::value_error("Number too large: " + what +
                              " does not fit a signed 32-bit integer");
    return static_cast<int>(result);
}

std::vector<int> times_of(const py::iterable& values, const char* name) {
    std::vector<int> times;
    for (const py::handle value : values)
        times.push_back(
            checked_int(value, std::string(name) + "[" + std::to_string(times.size()) + "]"));
    return times;
}

std::vector<zemko::Job> jobs_of(const py::iterable& p1, const py::iterable& p2, int route) {
    const std::vector<int> first = times_of(p1, "p1");
    const std::vector<int> second = times_of(p2, "p2");
    if (first.size() != second.size())
        throw py::value_error("p1 and p2 differ in length (" + std::to_string(first.size()) +
                              " and " + std::to_string(second.size()) + ")");
    std::vector<zemko::Job> jobs(first.size());
    for (size_t i = 0; i < jobs.size(); ++i)
        jobs[i] = {static_cast<int>(i) + 1, first[i], second[i], route};
    return jobs;
}

// A setting's value as its kind takes it; ValueError for a value out of its range.
void set_setting(zemko::Settings& settings, const SettingInfo& info, const py::handle& value) {
    if (info.kind == zemko::SettingKind::seconds) {
        if (PyBool_Check(value.ptr()) || !PyNumber_Check(value.ptr()))
            throw py::type_error(info.name + " is not a number of seconds");
        const double seconds = py::cast<double>(value);
        if (!std::isfinite(seconds) || seconds < 0 || seconds > zemko::MAX_SECONDS_SETTING)
            throw py::value_error(info.name + " must be at least 0 and at most 1e9 seconds");
        settings.time_limit = seconds;
        return;
    }
    const int number = checked_int(value, info.name);
    if (info.kind == zemko::SettingKind::count && number < 0)
        throw py::value_error(info.name + " must be at least 0");
#define ZEMKO_SET_WHOLE(field, key, default_value, kind, match, description) \
    if (info.name == #field) settings.field = number;
    ZEMKO_SETTINGS(ZEMKO_SET_WHOLE)
#undef ZEMKO_SET_WHOLE
}

zemko::Settings settings_of(const py::dict& values) {
    zemko::Settings settings;
    const std::vector<SettingInfo> infos = setting_infos();
    for (const auto& [key, value] : values) {
        const std::string name = py::str(key);
        bool known = false;
        for (const SettingInfo& info : infos)
            if (info.name == name) {
                set_setting(settings, info, value);
                known = true;
            }
        if (!known)
            throw py::type_error("solve() got an unexpected keyword argument '" + name + "'");
    }
    return settings;
}

// A solve's outcome as the module returns it: the result, the instance (for its chart) and the
// transcript.
struct PyResult {
    zemko::Result result;
    std::vector<zemko::Job> jobs;
    py::object transcript = py::none();  // the text, or None when it was not asked for
};

// What the solving thread leaves for the watching one.
struct SolveWatch {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<zemko::Progress> progress;  // the latest report not yet passed on
};

// The watching thread's look, every WATCH_INTERVAL while the solve runs: the progress
// callback, the stop object and Ctrl-C. Returns true when the solve is to stop; an error of
// the callback or the stop object, or a signal handler's other than Ctrl-C's, is kept in
// `failure` to be raised when the solve has ended.
bool watch_once(SolveWatch& watch, const py::object& progress, const py::object& stop,
                std::optional<py::error_already_set>& failure) {
    std::optional<zemko::Progress> report;
    {
        std::lock_guard<std::mutex> lock(watch.mutex);
        report.swap(watch.progress);
    }
    py::gil_scoped_acquire locked;
    try {
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        if (report && !progress.is_none()) progress(*report);
        if (!stop.is_none() && py::bool_(stop.attr("is_set")())) return true;
    } catch (py::error_already_set& error) {
        // Ctrl-C stops the solve, which then returns its best so far as interrupted.
        if (!error.matches(PyExc_KeyboardInterrupt)) failure.emplace(std::move(error));
        return true;
    }
    return false;
}

// Runs the solve on a thread of its own, so that this thread, holding the interpreter's lock
// only now and then, can pass on the progress and see Ctrl-C (Python handles signals on its
// main thread only) and the stop object, and raise the solve's stop flag.
PyResult solve_watched(const std::vector<zemko::Job>& jobs, const zemko::Settings& settings,
                       bool want_transcript, const py::object& progress, const py::object& stop) {
    std::ostringstream text;
    std::atomic<bool> stop_flag{false};
    SolveWatch watch;
    zemko::Control control;
    control.transcript = want_transcript ? &text : nullptr;
    control.stop = &stop_flag;
    if (!progress.is_none())
        control.progress = [&watch](const zemko::Progress& now) {
            std::lock_guard<std::mutex> lock(watch.mutex);
            watch.progress = now;
        };
    PyResult outcome;
    outcome.jobs = jobs;
    std::exception_ptr solve_failure;
    std::optional<py::error_already_set> failure;
    {
        py::gil_scoped_release unlocked;
        std::thread solver([&] {
            try {
                outcome.result = zemko::solve(jobs, settings, control);
            } catch (...) {
                solve_failure = std::current_exception();
            }
            std::lock_guard<std::mutex> lock(watch.mutex);
            watch.done = true;
            watch.finished.notify_one();
        });
        std::unique_lock<std::mutex> lock(watch.mutex);
        while (!watch.finished.wait_for(lock, WATCH_INTERVAL, [&] { return watch.done; })) {
            if (stop_flag.load()) continue;
            lock.unlock();
            if (watch_once(watch, progress, stop, failure)) stop_flag.store(true);
            lock.lock();
        }
        lock.unlock();
        solver.join();
    }
    if (failure) throw std::move(*failure);
    if (solve_failure) std::rethrow_exception(solve_failure);
    if (want_transcript) outcome.transcript = py::str(text.str());
    return outcome;
}

// A field's value as Python sees it: an origin by its name, everything else as it is.
template <typename T>
const T& python_value(const T& value) {
    return value;
}
std::string python_value(zemko::FoundBy origin) {
    return zemko::found_by_name(origin);
}

// A value that is not there is None.
py::object none_unless(bool present, long long value) {
    return present ? py::object(py::int_(value)) : py::none();
}

zemko::FoundBy origin_named(const std::string& name) {
#define ZEMKO_ORIGIN_OF(value, origin_name, description) \
    if (name == origin_name) return zemko::FoundBy::value;
    ZEMKO_FOUND_BY(ZEMKO_ORIGIN_OF)
#undef ZEMKO_ORIGIN_OF
    throw py::value_error("no part of the improvement phase is called '" + name + "'");
}

// "Type(field=value, ...)" of the named properties of `self`.
std::string fields_repr(const py::handle& self, const char* type,
                        const std::vector<const char*>& names) {
    std::string text = std::string(type) + "(";
    for (size_t k = 0; k < names.size(); ++k) {
        if (k > 0) text += ", ";
        text += std::string(names[k]) + "=" + py::repr(self.attr(names[k])).cast<std::string>();
    }
    return text + ")";
}

// The named properties of `self` as a plain dictionary: a status by its name, improvements as
// dictionaries of their own.
py::dict fields_dict(const py::handle& self, const std::vector<const char*>& names) {
    py::dict values;
    for (const char* name : names) {
        py::object value = self.attr(name);
        if (py::isinstance<zemko::Status>(value))
            value = value.attr("name");
        else if (py::isinstance<py::list>(value)) {
            py::list plain;
            for (const py::handle item : value)
                plain.append(py::hasattr(item, "to_dict") ? item.attr("to_dict")() : item);
            value = plain;
        }
        values[name] = value;
    }
    return values;
}

#define ZEMKO_FIELD_NAME(type, name, default_value, description) #name,

void bind_status_and_job(py::module_& m) {
    py::enum_<zemko::Status> status(m, "Status", "How a solve ended.");
#define ZEMKO_BIND_STATUS(name, description) status.value(#name, zemko::Status::name, description);
    ZEMKO_STATUSES(ZEMKO_BIND_STATUS)
#undef ZEMKO_BIND_STATUS

    py::class_<zemko::Job> job(m, "Job", "A job as the data file gives it.");
#define ZEMKO_BIND_JOB_FIELD(type, name, default_value, description) \
    job.def_readonly(#name, &zemko::Job::name, description);
    ZEMKO_JOB_FIELDS(ZEMKO_BIND_JOB_FIELD)
#undef ZEMKO_BIND_JOB_FIELD
    job.def("__repr__",
            [](const py::object& self) {
                return fields_repr(self, "Job", {ZEMKO_JOB_FIELDS(ZEMKO_FIELD_NAME)});
            })
        .def(py::pickle(
            [](const zemko::Job& j) { return py::make_tuple(j.number, j.p1, j.p2, j.route); },
            [](const py::tuple& state) {
                return zemko::Job{state[0].cast<int>(), state[1].cast<int>(), state[2].cast<int>(),
                                  state[3].cast<int>()};
            }));
}

void bind_improvement_and_progress(py::module_& m) {
    py::class_<zemko::Improvement> improvement(m, "Improvement",
                                               "A better sequence found by the improvement phase.");
#define ZEMKO_BIND_IMPROVEMENT_FIELD(type, name, default_value, description)             \
    improvement.def_property_readonly(                                                   \
        #name, [](const zemko::Improvement& found) { return python_value(found.name); }, \
        description);
    ZEMKO_IMPROVEMENT_FIELDS(ZEMKO_BIND_IMPROVEMENT_FIELD)
#undef ZEMKO_BIND_IMPROVEMENT_FIELD
    improvement
        .def("__repr__",
             [](const py::object& self) {
                 return fields_repr(self, "Improvement",
                                    {ZEMKO_IMPROVEMENT_FIELDS(ZEMKO_FIELD_NAME)});
             })
        .def(
            "to_dict",
            [](const py::object& self) {
                return fields_dict(self, {ZEMKO_IMPROVEMENT_FIELDS(ZEMKO_FIELD_NAME)});
            },
            "The fields as a plain dictionary.")
        .def(py::pickle(
            [](const zemko::Improvement& found) {
                return py::make_tuple(found.seconds, found.step, found.objective,
                                      zemko::found_by_name(found.found_by));
            },
            [](const py::tuple& state) {
                return zemko::Improvement{state[0].cast<double>(), state[1].cast<long long>(),
                                          state[2].cast<long long>(),
                                          origin_named(state[3].cast<std::string>())};
            }));

    py::class_<zemko::Progress> progress(m, "Progress",
                                         "Where a solve stands, as its progress callback is told.");
#define ZEMKO_BIND_PROGRESS_FIELD(type, name, default_value, description) \
    progress.def_readonly(#name, &zemko::Progress::name, description);
    ZEMKO_PROGRESS_FIELDS(ZEMKO_BIND_PROGRESS_FIELD)
#undef ZEMKO_BIND_PROGRESS_FIELD
    // The values that may be missing are None then.
    progress
        .def_property_readonly(
            "best_objective",
            [](const zemko::Progress& p) {
                return none_unless(p.best_objective != zemko::NO_SOLUTION, p.best_objective);
            },
            "the best objective so far, or None before the first sequence")
        .def_property_readonly(
            "lower_bound",
            [](const zemko::Progress& p) { return none_unless(p.certified, p.lower_bound); },
            "in the improvement phase, the best lower bound proven so far, or None")
        .def("__repr__", [](const py::object& self) {
            return fields_repr(self, "Progress", {ZEMKO_PROGRESS_FIELDS(ZEMKO_FIELD_NAME)});
        });
}

py::tuple result_state(const PyResult& r) {
    py::list state;
#define ZEMKO_RESULT_STATE(type, name, default_value, description) \
    state.append(py::cast(r.result.name));
    ZEMKO_RESULT_FIELDS(ZEMKO_RESULT_STATE)
#undef ZEMKO_RESULT_STATE
    state.append(py::cast(r.jobs));
    state.append(r.transcript);
    return py::tuple(state);
}

PyResult result_from_state(const py::tuple& state) {
    PyResult r;
    size_t k = 0;
#define ZEMKO_RESULT_FROM_STATE(type, name, default_value, description) \
    r.result.name = state[k++].cast<decltype(r.result.name)>();
    ZEMKO_RESULT_FIELDS(ZEMKO_RESULT_FROM_STATE)
#undef ZEMKO_RESULT_FROM_STATE
    r.jobs = state[k++].cast<std::vector<zemko::Job>>();
    r.transcript = state[k];
    return r;
}

// The Gantt chart of the result's sequence on its instance, as zemko-gantt draws it.
std::string result_chart(const PyResult& r) {
    if (r.result.sequence.empty()) throw py::value_error("the result holds no sequence to draw");
    zemko::JobTable table;
    zemko::table_from_jobs(r.jobs, table);
    if (const std::string problem = zemko_tools::job_table_problem(table); !problem.empty())
        throw py::value_error(problem);
    return zemko_tools::gantt_svg(zemko_tools::build_schedule(table, r.result.sequence),
                                  "zemko.solve");
}

void bind_result(py::module_& m) {
    py::class_<PyResult> result(m, "Result", "What a solve found.");
#define ZEMKO_BIND_RESULT_FIELD(type, name, default_value, description) \
    result.def_property_readonly(                                       \
        #name, [](const PyResult& r) { return python_value(r.result.name); }, description);
    ZEMKO_RESULT_FIELDS(ZEMKO_BIND_RESULT_FIELD)
#undef ZEMKO_BIND_RESULT_FIELD
    // The values that may be missing are None then.
    result
        .def_property_readonly(
            "objective",
            [](const PyResult& r) {
                return none_unless(r.result.objective != zemko::NO_SOLUTION, r.result.objective);
            },
            "the best sequence's objective, the sum of the completion times on the last machine, "
            "or None when no sequence was found")
        .def_property_readonly(
            "certified_lower_bound",
            [](const PyResult& r) {
                return none_unless(r.result.certified, r.result.certified_lower_bound);
            },
            "no sequence has a smaller objective: the improvement phase's certificate, or "
            "without a phase the root's bound less one; None when no valid bound is known "
            "(negative times without a phase, no jobs, a refused instance)")
        .def_readonly("transcript", &PyResult::transcript,
                      "the console's text of the run when asked for, else None")
        .def("gantt_svg", &result_chart,
             "The Gantt chart of the best sequence as an SVG document, as zemko-gantt draws it.")
        .def(
            "to_dict",
            [](const py::object& self) {
                py::dict values = fields_dict(self, {ZEMKO_RESULT_FIELDS(ZEMKO_FIELD_NAME)});
                values["transcript"] = self.attr("transcript");
                return values;
            },
            "The fields as a plain dictionary: the status by its name, each improvement as a "
            "dictionary.")
        .def("__repr__",
             [](const py::object& self) {
                 return fields_repr(self, "Result", {"status", "objective", "seconds"});
             })
        .def(py::pickle(&result_state, &result_from_state));
}

void bind_readers(py::module_& m) {
    m.def(
        "read_jobs", [](const std::string& path) { return zemko::read_jobs_file(path); },
        py::arg("path"), "Reads a data file as the console does.");
    m.def(
        "read_benchmark",
        [](const std::string& text, const std::string& layout) {
            const zemko::BenchmarkLayout chosen =
                layout == "matrix" ? zemko::BenchmarkLayout::matrix
                : layout == "rows" ? zemko::BenchmarkLayout::rows
                                   : zemko::BenchmarkLayout::automatic;
            const zemko::BenchmarkRead read = zemko::read_benchmark_layout(text, chosen);
            if (!read.error.empty()) throw zemko::InputError(read.error);
            return py::make_tuple(read.jobs, read.note);
        },
        py::arg("text"), py::arg("layout"),
        "Reads the text of a benchmark file: (jobs, note); layout is auto, matrix or rows.");
    m.def(
        "read_settings",
        [](const std::string& path) {
            std::ostringstream messages, notes;
            const zemko::Settings settings = zemko::read_settings_file(path, &messages, &notes);
            py::dict values;
            for (const SettingInfo& info : setting_infos()) {
#define ZEMKO_GET_SETTING(field, key, default_value, kind, match, description) \
    if (info.name == #field) values[py::str(info.name)] = settings.field;
                ZEMKO_SETTINGS(ZEMKO_GET_SETTING)
#undef ZEMKO_GET_SETTING
            }
            return py::make_tuple(values, messages.str() + notes.str());
        },
        py::arg("path"), "Reads a settings file as the console does: (values, messages).");
}

void bind_functions(py::module_& m) {
    m.def(
        "settings_table",
        [] {
            py::list rows;
            for (const SettingInfo& info : setting_infos())
                rows.append(py::make_tuple(info.name, info.key, info.default_value,
                                           kind_name(info.kind), info.description));
            return rows;
        },
        "The settings table: (name, key in the settings file, default, kind, meaning) per row; "
        "kind is \"flag\", \"number\", \"count\" or \"seconds\".");
    m.def(
        "solve",
        [](const py::iterable& p1, const py::iterable& p2, int route, const py::dict& settings,
           bool transcript, const py::object& progress, const py::object& stop) {
            const std::vector<zemko::Job> jobs = jobs_of(p1, p2, route);
            return solve_watched(jobs, settings_of(settings), transcript, progress, stop);
        },
        py::arg("p1"), py::arg("p2"), py::arg("route"), py::arg("settings"), py::arg("transcript"),
        py::arg("progress"), py::arg("stop"),
        "Solves the instance of times p1, p2; settings maps setting names to values.");
    m.def(
        "objective",
        [](const py::iterable& p1, const py::iterable& p2, const std::vector<int>& sequence,
           int route) { return zemko::objective(jobs_of(p1, p2, route), sequence); },
        py::arg("p1"), py::arg("p2"), py::arg("sequence"), py::arg("route"),
        "The objective of a sequence of 0-based job indices.");
    bind_readers(m);
}

}  // namespace

PYBIND11_MODULE(_zemko, m) {
    m.doc() = "The compiled part of zemko; use the zemko package.";
    m.attr("__version__") = zemko::VERSION;
    py::register_exception<zemko::InputError>(m, "InputError", PyExc_ValueError);
    bind_status_and_job(m);
    bind_improvement_and_progress(m);
    bind_result(m);
    bind_functions(m);
}
