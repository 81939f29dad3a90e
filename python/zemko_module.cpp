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

// A field's value as Python sees it: an origin by its name, everything else as it is.
template <typename T>
const T& python_value(const T& value) {
    return value;
}
std::string python_value(zemko::FoundBy origin) {
    return zemko::found_by_name(origin);
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

#define ZEMKO_FIELD_NAME(type, name, default_value, description) #name,

// The module's types, each bound from its table in <zemko/zemko.hpp>: the status, a job, an
// improvement and the result.
void bind_types(py::module_& m) {
    py::enum_<zemko::Status> status(m, "Status", "How a solve ended.");
#define ZEMKO_BIND_STATUS(name, description) status.value(#name, zemko::Status::name, description);
    ZEMKO_STATUSES(ZEMKO_BIND_STATUS)
#undef ZEMKO_BIND_STATUS

    py::class_<zemko::Job> job(m, "Job", "A job as the data file gives it.");
#define ZEMKO_BIND_JOB_FIELD(type, name, default_value, description) \
    job.def_readonly(#name, &zemko::Job::name, description);
    ZEMKO_JOB_FIELDS(ZEMKO_BIND_JOB_FIELD)
#undef ZEMKO_BIND_JOB_FIELD
    job.def("__repr__", [](const py::object& self) {
        return fields_repr(self, "Job", {ZEMKO_JOB_FIELDS(ZEMKO_FIELD_NAME)});
    });

    py::class_<zemko::Improvement> improvement(m, "Improvement",
                                               "A better sequence found by the improvement phase.");
#define ZEMKO_BIND_IMPROVEMENT_FIELD(type, name, default_value, description)             \
    improvement.def_property_readonly(                                                   \
        #name, [](const zemko::Improvement& found) { return python_value(found.name); }, \
        description);
    ZEMKO_IMPROVEMENT_FIELDS(ZEMKO_BIND_IMPROVEMENT_FIELD)
#undef ZEMKO_BIND_IMPROVEMENT_FIELD
    improvement.def("__repr__", [](const py::object& self) {
        return fields_repr(self, "Improvement", {ZEMKO_IMPROVEMENT_FIELDS(ZEMKO_FIELD_NAME)});
    });

    py::class_<PyResult> result(m, "Result", "What a solve found.");
#define ZEMKO_BIND_RESULT_FIELD(type, name, default_value, description) \
    result.def_property_readonly(                                       \
        #name, [](const PyResult& r) { return python_value(r.result.name); }, description);
    ZEMKO_RESULT_FIELDS(ZEMKO_BIND_RESULT_FIELD)
#undef ZEMKO_BIND_RESULT_FIELD
    result
        .def_readonly("transcript", &PyResult::transcript,
                      "the console's text of the run when asked for, else None")
        .def("__repr__", [](const py::object& self) {
            return fields_repr(self, "Result", {"status", "objective"});
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
