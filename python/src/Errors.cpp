// vek.Error and vek.Interrupted, and the settling of every call into vek:
// numbered errors, Ctrl-C during a wait, and failing Python handlers.
#include <pybind11/eval.h>

#include "Binding.h"
#include "vek/commands/Commands.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"

namespace vekpy {

namespace {

const char* const kClasses = R"py(
class Error(RuntimeError):
    """A numbered error of vek: `number` (an ErrorCodes value or a classic
    platform number such as 9 or 91), `description` (also the text of the
    exception), `source` ("QDX" for the command layer), `helpFile` and
    `helpContext`."""

    def __init__(self, number, description, source="", helpFile="", helpContext=0):
        super().__init__(description)
        self.number = number
        self.description = description
        self.source = source
        self.helpFile = helpFile
        self.helpContext = helpContext

    def __repr__(self):
        return "vek.Error(%d, %r, %r)" % (self.number, self.description, self.source)


class Interrupted(KeyboardInterrupt):
    """Ctrl-C during a call into vek. The call was ended by the stop request
    (the program stop, every motor stopped); `number`, `description` and
    `source` tell how it ended: the numbered error the stop made it end with
    (5 "Exiting WaitForSwitch command." from a switch wait, for example), or
    14 when it returned by itself. The gantry is stopped and ready for the
    next command."""

    def __init__(self, number, description, source=""):
        super().__init__(description)
        self.number = number
        self.description = description
        self.source = source
)py";

// What the module keeps between the start and the settling of a call. Never
// destroyed: its Python objects are cleared at interpreter exit instead.
struct State {
    int depth = 0;
    bool interrupted = false;
    py::object interruption;  // what Python's SIGINT handler raised
    py::object handlerError;  // the first failure of a Python handler
    py::object errorClass;    // vek.Error
    py::object interruptedClass;
    std::vector<std::shared_ptr<PyCallable::Slot>> held;
    bool exiting = false;
};

State& state() {
    static State* s = new State();
    return *s;
}

py::object makeError(const vek::NumberedError& e) {
    return state().errorClass(e.number(), e.description(), e.source(), e.helpFile(), e.helpContext());
}

[[noreturn]] void raise(const py::object& exception, const py::object& context = py::object()) {
    if (context) exception.attr("__context__") = context;
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
    throw py::error_already_set();
}

// Takes the Python error now set.
py::object fetchError() {
    PyObject *type = nullptr, *value = nullptr, *trace = nullptr;
    PyErr_Fetch(&type, &value, &trace);
    PyErr_NormalizeException(&type, &value, &trace);
    if (trace && value) PyException_SetTraceback(value, trace);
    Py_XDECREF(type);
    Py_XDECREF(trace);
    return py::reinterpret_steal<py::object>(value);
}

void requestStop() {
    if (auto commands = vek::runtime().commands) {
        commands->interrupt();
    } else if (auto slides = vek::runtime().linearSlides) {
        try {
            slides->stopMotors(false);
        } catch (const vek::NumberedError&) {
        }
    }
}

void onInterruption(py::object raised) {
    State& s = state();
    if (s.interrupted) {
        // A second Ctrl-C while the first stop is still under way: the call
        // that does not end on the stop request is left at once.
        throw vek::NumberedError(vek::ErrorCodes::USER_INTERRUPTION, "Interrupted twice; the call was abandoned.");
    }
    s.interrupted = true;
    s.interruption = std::move(raised);
    requestStop();
}

// The host pump: Python's signal handlers run while vek waits.
void pump() {
    if (state().exiting || PyErr_CheckSignals() == 0) return;
    onInterruption(fetchError());
}

void settleInterruption(const vek::NumberedError* failure) {
    State& s = state();
    s.interrupted = false;
    if (auto commands = vek::runtime().commands)
        commands->endInterrupt();
    else if (auto slides = vek::runtime().linearSlides)
        slides->flags()->stopRequested = false;
    py::object raised = std::move(s.interruption);
    const bool keyboard = !raised || PyErr_GivenExceptionMatches(raised.ptr(), PyExc_KeyboardInterrupt);
    if (!keyboard) raise(raised);
    const vek::NumberedError stopped = failure
                                           ? *failure
                                           : vek::NumberedError(vek::ErrorCodes::USER_INTERRUPTION,
                                                                "Interrupted by the user; the motors were stopped.");
    raise(s.interruptedClass(stopped.number(), stopped.description(), stopped.source()), raised);
}

}  // namespace

PyCallable::Slot::~Slot() {
    // After the interpreter has gone, a reference can only be dropped.
    if (!Py_IsInitialized() || state().exiting) static_cast<void>(f.release());
}

void enterCall() {
    ++state().depth;
}

void leaveCall(const vek::NumberedError* failure) {
    State& s = state();
    if (--s.depth > 0) return;
    if (s.interrupted) settleInterruption(failure);
    if (s.handlerError) {
        py::object cause = std::move(s.handlerError);
        if (failure) raise(makeError(*failure), cause);
        const bool numbered = PyObject_IsInstance(cause.ptr(), s.errorClass.ptr()) == 1;
        const std::string what = py::str(py::type::handle_of(cause).attr("__name__")).cast<std::string>() + ": " +
                                 py::str(cause).cast<std::string>();
        py::object error =
            numbered ? cause : s.errorClass(HANDLER_FAILED, "A Python event handler failed -> " + what, "Python");
        if (!numbered) error.attr("__cause__") = cause;
        raise(error);
    }
}

bool interruptRequested() {
    return state().interrupted;
}

void handlerFailed() {
    py::object raised = fetchError();
    if (!raised) return;
    State& s = state();
    if (PyErr_GivenExceptionMatches(raised.ptr(), PyExc_KeyboardInterrupt)) {
        if (!s.interrupted) onInterruption(std::move(raised));
        return;
    }
    if (s.depth == 0) {
        // Raised outside any call from Python (vek shutting down): shown
        // the way Python shows such failures.
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(raised.ptr())), raised.ptr());
        PyErr_WriteUnraisable(nullptr);
        return;
    }
    if (!s.handlerError) s.handlerError = std::move(raised);
}

PyCallable::PyCallable(py::object f) : f_(std::make_shared<Slot>(std::move(f))) {
    auto& held = state().held;
    // Forget the slots of handlers that vek has let go of.
    std::erase_if(held, [](const std::shared_ptr<Slot>& h) { return h.use_count() == 1; });
    held.push_back(f_);
}

std::string typeNameOf(const std::type_info& type) {
    if (auto* info = py::detail::get_type_info(type)) {
        const std::string name = info->type->tp_name;
        return name.substr(name.rfind('.') + 1);
    }
    return py::detail::clean_type_id(type.name());
}

std::string qualifiedName(const py::handle& cls) {
    return py::str(cls.attr("__name__")).cast<std::string>();
}

void raiseArgumentError(const std::string& function, const std::string& problem) {
    throw py::type_error(function + ": " + problem);
}

void checkArgumentCount(const std::string& function, std::size_t count, const std::vector<ArgInfo>& info,
                        const py::args& args, const py::kwargs& kwargs) {
    if (args.size() > count)
        raiseArgumentError(
            function, "takes " + std::to_string(count) + " arguments, " + std::to_string(args.size()) + " were given");
    for (const auto& item : kwargs) {
        const std::string key = py::str(item.first).cast<std::string>();
        bool known = false;
        for (std::size_t i = 0; i < info.size(); ++i) {
            if (info[i].name != key) continue;
            known = true;
            if (i < args.size()) raiseArgumentError(function, "argument '" + key + "' given twice");
        }
        if (!known) raiseArgumentError(function, "no argument is named '" + key + "'");
    }
}

void bindErrors(py::module_& m) {
    py::dict scope;
    scope["__name__"] = m.attr("__name__");
    py::exec(kClasses, scope);
    State& s = state();
    s.errorClass = scope["Error"];
    s.interruptedClass = scope["Interrupted"];
    m.attr("Error") = s.errorClass;
    m.attr("Interrupted") = s.interruptedClass;
    m.attr("HANDLER_FAILED") = HANDLER_FAILED;
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const vek::NumberedError& e) {
            const py::object error = makeError(e);
            PyErr_SetObject(state().errorClass.ptr(), error.ptr());
        }
    });

    // vek's own event loop runs the Python signal handlers while it waits.
    vek::eventLoop().setHostPump(pump);
    // At exit, Python objects that vek still holds are let go while Python
    // runs, and vek's waits no longer call into the interpreter.
    py::module_::import("atexit").attr("register")(py::cpp_function([] {
        State& st = state();
        st.exiting = true;
        vek::eventLoop().setHostPump(nullptr);
        for (auto& slot : st.held) slot->f = py::object();
        st.held.clear();
        st.interruption = py::object();
        st.handlerError = py::object();
    }));
}

}  // namespace vekpy
