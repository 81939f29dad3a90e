// The Python module's compiled part, _zemko: a thin layer over <zemko/zemko.hpp>. Solves run
// with the interpreter's lock released; the calling thread looks for Ctrl-C meanwhile and stops
// the solve when it comes.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <zemko/zemko.hpp>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace py = pybind11;

namespace {

// How often the waiting thread looks for a signal while a solve runs.
constexpr auto SIGNAL_POLL = std::chrono::milliseconds(50);

// One row of the settings table, for the Python side to build solve's keywords from.
struct SettingInfo {
    std::string name;
    std::string key;
    int default_value;
    std::string kind;  // "flag" (a switch) or "number"
    std::string description;
    int zemko::Settings::*field;
};

std::vector<SettingInfo> setting_infos() {
    return {
#define ZEMKO_SETTING_INFO(field, key, default_value, kind, description) \
    {#field, key, default_value, #kind, description, &zemko::Settings::field},
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

zemko::Settings settings_of(const py::dict& values) {
    zemko::Settings settings;
    const std::vector<SettingInfo> infos = setting_infos();
    for (const auto& [key, value] : values) {
        const std::string name = py::str(key);
        bool known = false;
        for (const SettingInfo& info : infos)
            if (info.name == name) {
                settings.*info.field = checked_int(value, name);
                known = true;
            }
        if (!known)
            throw py::type_error("solve() got an unexpected keyword argument '" + name + "'");
    }
    return settings;
}

// A solve's outcome with its transcript, as the module returns it.
struct PyResult {
    zemko::Result result;
    py::object transcript;  // the text, or None when it was not asked for
};

// Runs the solve on a thread of its own, so that this thread, holding the interpreter's lock
// only now and then, can see Ctrl-C (Python handles signals on its main thread only) and raise
// the solve's stop flag. The solve then ends within a fraction of a second; KeyboardInterrupt
// is raised once it has released everything.
PyResult solve_with_interrupts(const std::vector<zemko::Job>& jobs, const zemko::Settings& settings,
                               bool want_transcript) {
    std::ostringstream text;
    std::atomic<bool> stop{false};
    zemko::Control control;
    control.transcript = want_transcript ? &text : nullptr;
    control.stop = &stop;
    zemko::Result result;
    std::exception_ptr failure;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool interrupted = false;
    {
        py::gil_scoped_release unlocked;
        std::thread solver([&] {
            try {
                result = zemko::solve(jobs, settings, control);
            } catch (...) {
                failure = std::current_exception();
            }
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
            finished.notify_one();
        });
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished.wait_for(lock, SIGNAL_POLL, [&] { return done; })) {
            if (interrupted) continue;
            lock.unlock();
            {
                py::gil_scoped_acquire locked;
                if (PyErr_CheckSignals() != 0) {
                    interrupted = true;
                    stop.store(true);
                }
            }
            lock.lock();
        }
        lock.unlock();
        solver.join();
    }
    if (interrupted) throw py::error_already_set();
    if (failure) std::rethrow_exception(failure);
    return {result, want_transcript ? py::object(py::str(text.str())) : py::none()};
}

// The module's types: the status, a job, an improvement and the result.
void bind_types(py::module_& m) {
    py::enum_<zemko::Status>(m, "Status", "How a solve ended.")
        .value("solved", zemko::Status::solved,
               "the search ran; the result holds its best sequence")
        .value("no_jobs", zemko::Status::no_jobs, "the instance has no job")
        .value("mixed_routes", zemko::Status::mixed_routes,
               "jobs of both routes: not a flow shop, refused")
        .value("memory_error", zemko::Status::memory_error,
               "memory ran out or the solve would pass MemoryLimit")
        .value("interrupted", zemko::Status::interrupted, "the solve was stopped");

    py::class_<zemko::Job>(m, "Job", "A job as the data file gives it.")
        .def_readonly("number", &zemko::Job::number, "its number in the file (only printed)")
        .def_readonly("p1", &zemko::Job::p1, "processing time on machine 1")
        .def_readonly("p2", &zemko::Job::p2, "processing time on machine 2")
        .def_readonly("route", &zemko::Job::route, "1: machine 1 first; 2: machine 2 first")
        .def("__repr__", [](const zemko::Job& j) {
            return "Job(number=" + std::to_string(j.number) + ", p1=" + std::to_string(j.p1) +
                   ", p2=" + std::to_string(j.p2) + ", route=" + std::to_string(j.route) + ")";
        });

    py::class_<zemko::Improvement>(m, "Improvement",
                                   "A better sequence found by the improvement phase.")
        .def_readonly("seconds", &zemko::Improvement::seconds, "seconds since the solve began")
        .def_readonly("step", &zemko::Improvement::step, "improvement steps done when it was found")
        .def_readonly("objective", &zemko::Improvement::objective, "its objective")
        .def_readonly("found_by", &zemko::Improvement::found_by,
                      "the part of the phase that found it")
        .def("__repr__", [](const zemko::Improvement& found) {
            std::ostringstream text;
            text << "Improvement(seconds=" << found.seconds << ", step=" << found.step
                 << ", objective=" << found.objective << ", found_by='" << found.found_by << "')";
            return text.str();
        });

    // The fields of a solve's result, each a read-only property of the same name.
    py::class_<PyResult> result(m, "Result", "What a solve found.");
#define ZEMKO_RESULT_FIELD(field, doc) \
    result.def_property_readonly(      \
        #field, [](const PyResult& r) { return r.result.field; }, doc);
    ZEMKO_RESULT_FIELD(status, "how the solve ended")
    ZEMKO_RESULT_FIELD(
        objective,
        "the best sequence's objective, the sum of the completion times on the last machine "
        "(2147483647 when no sequence was found)")
    ZEMKO_RESULT_FIELD(sequence, "the best sequence as 0-based job indices, as in ub.rep")
    ZEMKO_RESULT_FIELD(root_lower_bound, "the lower bound of the search's root")
    ZEMKO_RESULT_FIELD(root_upper_bound, "the upper bound of the search's root")
    ZEMKO_RESULT_FIELD(level_found,
                       "the level whose node produced the best sequence of the beam search")
    ZEMKO_RESULT_FIELD(end_level, "the level of the last node kept in a beam")
    ZEMKO_RESULT_FIELD(max_beam, "the most nodes kept at any level")
    ZEMKO_RESULT_FIELD(bounds_computed, "children generated over all levels")
    ZEMKO_RESULT_FIELD(recoveries, "calls of the recovery step")
    ZEMKO_RESULT_FIELD(better_ub_solutions, "bounds improved by the greedy completion")
    ZEMKO_RESULT_FIELD(lost_nodes, "nodes released while the free stack was full")
    ZEMKO_RESULT_FIELD(peak_memory, "the most memory the solve took at once, in bytes")
    ZEMKO_RESULT_FIELD(beam_complete, "False when the time limit ended the beam search early")
    ZEMKO_RESULT_FIELD(
        beam_width,
        "the beam width the search ended with (narrower than Beam when a time limit had "
        "it narrowed)")
    ZEMKO_RESULT_FIELD(
        improvements,
        "each better sequence of the improvement phase, in order (a list of Improvement)")
    ZEMKO_RESULT_FIELD(improvement_steps, "steps the improvement phase made")
    ZEMKO_RESULT_FIELD(certified_lower_bound,
                       "after an improvement phase: no sequence has a smaller objective")
    ZEMKO_RESULT_FIELD(optimal, "the answer is proven optimal")
    ZEMKO_RESULT_FIELD(proof_summary,
                       "after an improvement phase: the proof summary's text, as ProofSummary "
                       "writes it to proof.txt (empty otherwise)")
#undef ZEMKO_RESULT_FIELD
    result
        .def_readonly("transcript", &PyResult::transcript,
                      "the console's text of the run when asked for, else None")
        .def("__repr__", [](const PyResult& r) {
            return "Result(status=" +
                   std::string(py::str(py::cast(r.result.status)).cast<std::string>()) +
                   ", objective=" + std::to_string(r.result.objective) + ")";
        });
}

// The module's functions: the settings table, the readers, the solve and the objective.
void bind_functions(py::module_& m) {
    m.def(
        "settings_table",
        [] {
            py::list rows;
            for (const SettingInfo& info : setting_infos())
                rows.append(py::make_tuple(info.name, info.key, info.default_value, info.kind,
                                           info.description));
            return rows;
        },
        "The settings table: (name, key in the settings file, default, kind, meaning) per row; "
        "kind is \"flag\" (a switch) or \"number\".");

    m.def(
        "solve",
        [](const py::iterable& p1, const py::iterable& p2, int route, const py::dict& settings,
           bool transcript) {
            const std::vector<zemko::Job> jobs = jobs_of(p1, p2, route);
            return solve_with_interrupts(jobs, settings_of(settings), transcript);
        },
        py::arg("p1"), py::arg("p2"), py::arg("route"), py::arg("settings"), py::arg("transcript"),
        "Solves the instance of times p1, p2; settings maps setting names to values.");

    m.def(
        "read_jobs", [](const std::string& path) { return zemko::read_jobs_file(path); },
        py::arg("path"), "Reads a data file as the console does.");

    m.def(
        "read_settings",
        [](const std::string& path) {
            std::ostringstream messages;
            const zemko::Settings settings = zemko::read_settings_file(path, &messages);
            py::dict values;
            for (const SettingInfo& info : setting_infos())
                values[py::str(info.name)] = settings.*info.field;
            return py::make_tuple(values, messages.str());
        },
        py::arg("path"), "Reads a settings file as the console does: (values, messages).");

    m.def(
        "objective",
        [](const py::iterable& p1, const py::iterable& p2, const std::vector<int>& sequence,
           int route) { return zemko::objective(jobs_of(p1, p2, route), sequence); },
        py::arg("p1"), py::arg("p2"), py::arg("sequence"), py::arg("route"),
        "The objective of a sequence of 0-based job indices.");
}

}  // namespace

PYBIND11_MODULE(_zemko, m) {
    m.doc() = "The compiled part of zemko; use the zemko package.";
    py::register_exception<zemko::InputError>(m, "InputError", PyExc_ValueError);
    bind_types(m);
    bind_functions(m);
}
