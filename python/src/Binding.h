#pragma once
// What every area of the Python module shares: the calls into vek that keep
// the module's promises (numbered errors, Ctrl-C, failing Python handlers)
// and the helpers that bind members with their C++ comments as docstrings.
//
// Each area binds in its own file (Errors, Foundation, Geometry, Persistence,
// Motors, Motion, Commands); a part of vek that joins later gets a file of
// its own and one line in Module.cpp.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "Reference.h"
#include "vek/foundation/Collection.h"
#include "vek/foundation/Event.h"
#include "vek/foundation/NumberedError.h"

namespace py = pybind11;

namespace vekpy {

void bindErrors(py::module_& m);
void bindFoundation(py::module_& m);
void bindGeometry(py::module_& m);
void bindPersistence(py::module_& m);
void bindMotors(py::module_& m);
void bindMotion(py::module_& m);
void bindCommands(py::module_& m);
void bindPeripherals(py::module_& m);
void bindPrograms(py::module_& m);

// ---------------------------------------------------------------------------
// Calls into vek. Python runs vek on the interpreter's thread, holding the
// GIL: vek has one thread and no locks, and its waits pump vek's own event
// loop. Three things can happen to Python during such a call and are settled
// when the outermost call returns:
// - Ctrl-C: the pump sees Python's signal and makes the stop request (the
//   program stop and every motor stopped); the wait ends as the stop makes
//   it end, the stop flags are cleared, and Python gets vek.Interrupted
//   (a KeyboardInterrupt) carrying the numbered error the call ended with.
// - A Python event handler or timer raises: vek finishes what it was doing,
//   and the call then raises vek.Error HANDLER_FAILED with the handler's
//   exception as its cause.
// - vek raises a NumberedError: it becomes vek.Error.
// ---------------------------------------------------------------------------

// The number of a failed Python event handler or timer callback, reported
// from the call that raised the event (the classic automation error).
constexpr int32_t HANDLER_FAILED = 440;

void enterCall();
// Settles the outermost call: raises (as py::error_already_set) what is
// pending. `failure` is vek's own error that is leaving the call, if any.
void leaveCall(const vek::NumberedError* failure);
// Whether Ctrl-C asked the running call to stop.
bool interruptRequested();
// A Python handler or timer failed with the Python error now set: kept for
// the settling of the running call (a KeyboardInterrupt becomes the stop
// request instead).
void handlerFailed();
// Python objects that vek keeps (handlers, timers) are dropped at
// interpreter exit while Python can still release them.
class PyCallable;

// Results are returned by value: a reference into vek becomes a copy, which
// pybind11 makes of it anyway.
template <typename F>
auto guarded(F&& f) -> std::decay_t<decltype(f())> {
    using R = decltype(f());
    if constexpr (std::is_void_v<R>) {
        enterCall();
        try {
            f();
        } catch (const vek::NumberedError& e) {
            leaveCall(&e);
            throw;
        } catch (...) {
            leaveCall(nullptr);
            throw;
        }
        leaveCall(nullptr);
    } else {
        std::optional<std::decay_t<R>> result;
        guarded([&] { result.emplace(f()); });
        return std::move(*result);
    }
}

// A Python callable held by vek (an event handler, a timer): called under
// the GIL; its failure goes to handlerFailed(); released only while Python
// still runs.
class PyCallable {
public:
    struct Slot {
        explicit Slot(py::object o) : f(std::move(o)) {}
        ~Slot();
        py::object f;
    };

    explicit PyCallable(py::object f);
    template <typename... A>
    void operator()(A&&... args) const {
        if (!f_->f) return;
        try {
            f_->f(std::forward<A>(args)...);
        } catch (py::error_already_set& e) {
            e.restore();
            handlerFailed();
        }
    }

private:
    std::shared_ptr<Slot> f_;
};

// ---------------------------------------------------------------------------
// Binding members: the typed overload, with its docstring from the header,
// and behind it a second overload that Python reaches when the first does
// not take the arguments as they are. That one converts them itself (an int
// where a float is wanted) or names the argument that does not fit:
// "DoLine(): argument 'toPoint' must be Point or None, not str".
// ---------------------------------------------------------------------------

std::string typeNameOf(const std::type_info& type);

template <typename T>
struct IsSharedPtr : std::false_type {};
template <typename T>
struct IsSharedPtr<std::shared_ptr<T>> : std::true_type {};

template <typename T>
std::string pythonTypeName() {
    using U = std::decay_t<T>;
    if constexpr (std::is_same_v<U, bool>) {
        return "bool";
    } else if constexpr (std::is_integral_v<U>) {
        return "int";
    } else if constexpr (std::is_floating_point_v<U>) {
        return "float";
    } else if constexpr (std::is_same_v<U, std::string>) {
        return "str";
    } else if constexpr (IsSharedPtr<U>::value) {
        return typeNameOf(typeid(typename U::element_type)) + " or None";
    } else if constexpr (std::is_base_of_v<py::object, U>) {
        return "object";
    } else {
        return typeNameOf(typeid(U));
    }
}

struct ArgInfo {
    std::string name;
    py::object fallback;  // null: required
};

template <typename Extra>
void collectArg(std::vector<ArgInfo>& into, const Extra& extra) {
    if constexpr (std::is_same_v<Extra, py::arg_v>)
        into.push_back({extra.name, extra.value});
    else if constexpr (std::is_same_v<Extra, py::arg>)
        into.push_back({extra.name, py::object()});
}

[[noreturn]] void raiseArgumentError(const std::string& function, const std::string& problem);

// Loads argument `i` for the slow path, or says what is wrong with it.
template <typename A>
void loadArg(py::detail::make_caster<A>& caster, std::size_t i, const std::string& function,
             const std::vector<ArgInfo>& info, const py::args& args, const py::kwargs& kwargs) {
    const std::string name = i < info.size() ? info[i].name : "arg" + std::to_string(i + 1);
    py::object value;
    if (i < args.size()) {
        value = args[i];
    } else if (kwargs.contains(name.c_str())) {
        value = kwargs[name.c_str()];
    } else if (i < info.size() && info[i].fallback) {
        value = info[i].fallback;
    } else {
        raiseArgumentError(function, "missing argument '" + name + "'");
    }
    if (caster.load(value, true)) return;
    using U = std::decay_t<A>;
    if constexpr (std::is_integral_v<U> && !std::is_same_v<U, bool>) {
        if (PyLong_Check(value.ptr()))
            raiseArgumentError(function, "argument '" + name + "' is out of range (" +
                                             std::to_string(std::numeric_limits<U>::min()) + " to " +
                                             std::to_string(std::numeric_limits<U>::max()) + ")");
    }
    raiseArgumentError(function, "argument '" + name + "' must be " + pythonTypeName<A>() + ", not " +
                                     std::string(Py_TYPE(value.ptr())->tp_name));
}

void checkArgumentCount(const std::string& function, std::size_t count, const std::vector<ArgInfo>& info,
                        const py::args& args, const py::kwargs& kwargs);

template <typename Sig>
struct Signature;
template <typename R, typename L, typename S, typename... A>
struct Signature<R (L::*)(S&, A...) const> {
    using Self = S;
    using Result = R;
    using Args = std::tuple<A...>;
};

// `call(self, args...)` through the slow path.
template <typename Self, typename R, typename... A, typename Call, std::size_t... I>
py::object slowCall(const Call& call, const std::string& function, const std::vector<ArgInfo>& info, Self& self,
                    const py::args& args, const py::kwargs& kwargs, std::index_sequence<I...>) {
    checkArgumentCount(function, sizeof...(A), info, args, kwargs);
    std::tuple<py::detail::make_caster<A>...> casters;
    (loadArg<A>(std::get<I>(casters), I, function, info, args, kwargs), ...);
    if constexpr (std::is_void_v<R>) {
        guarded([&] { call(self, py::detail::cast_op<A>(std::get<I>(casters))...); });
        return py::none();
    } else {
        return py::cast(guarded([&] { return call(self, py::detail::cast_op<A>(std::get<I>(casters))...); }));
    }
}

template <typename Self, typename R, typename Tuple>
struct SlowPath;
template <typename Self, typename R, typename... A>
struct SlowPath<Self, R, std::tuple<A...>> {
    template <typename Call>
    static auto make(Call call, std::string function, std::vector<ArgInfo> info) {
        return [call, function, info](Self& self, const py::args& args, const py::kwargs& kwargs) {
            return slowCall<Self, R, A...>(call, function, info, self, args, kwargs, std::index_sequence_for<A...>{});
        };
    }
};

// Turns a member function into a callable of (Self&, args...).
template <typename R, typename C, typename... A>
auto asCallable(R (C::*f)(A...)) {
    return [f](C& self, A... a) -> R { return (self.*f)(std::forward<A>(a)...); };
}
template <typename R, typename C, typename... A>
auto asCallable(R (C::*f)(A...) const) {
    return [f](C& self, A... a) -> R { return (self.*f)(std::forward<A>(a)...); };
}
template <typename F>
auto asCallable(F f) {
    return f;
}

template <typename Self, typename R, typename... A, typename Call>
auto typedGuarded(Call call, std::tuple<A...>*) {
    return [call](Self& self, A... a) -> std::decay_t<R> {
        return guarded([&]() -> decltype(auto) { return call(self, std::forward<A>(a)...); });
    };
}

std::string qualifiedName(const py::handle& cls);

// Binds `f` (a member function, or a lambda whose first parameter is the
// object) as method `name` of `cls`, documented by the comment of
// Class.name in the header (or of Class.docKey when given).
template <typename Class, typename F, typename... Extra>
void method(Class& cls, const char* name, F f, const Extra&... extra) {
    auto call = asCallable(f);
    using S = Signature<decltype(&decltype(call)::operator())>;
    using Self = std::remove_reference_t<typename S::Self>;
    const std::string key = qualifiedName(cls) + "." + name;
    cls.def(name, typedGuarded<Self, typename S::Result>(call, static_cast<typename S::Args*>(nullptr)),
            py::doc(doc(key)), extra...);
    std::vector<ArgInfo> info;
    (collectArg(info, extra), ...);
    cls.def(name, SlowPath<Self, typename S::Result, typename S::Args>::make(call, std::string(name) + "()", info));
}

// A property from a C++ getter (and setter): name() / setName(value).
template <typename Class, typename Get>
void readOnly(Class& cls, const char* name, Get get, const char* docKey = nullptr) {
    auto call = asCallable(get);
    using S = Signature<decltype(&decltype(call)::operator())>;
    using Self = std::remove_reference_t<typename S::Self>;
    const std::string key = qualifiedName(cls) + "." + (docKey ? docKey : name);
    cls.def_property_readonly(name, typedGuarded<Self, typename S::Result>(call, static_cast<std::tuple<>*>(nullptr)),
                              py::doc(doc(key)));
}

template <typename Class, typename Get, typename Set>
void readWrite(Class& cls, const char* name, Get get, Set set, const char* docKey = nullptr) {
    auto getter = asCallable(get);
    auto setter = asCallable(set);
    using G = Signature<decltype(&decltype(getter)::operator())>;
    using S = Signature<decltype(&decltype(setter)::operator())>;
    using Self = std::remove_reference_t<typename S::Self>;
    using Value = std::tuple_element_t<0, typename S::Args>;
    const std::string key = qualifiedName(cls) + "." + (docKey ? docKey : name);
    const std::string function = std::string(name) + " =";
    cls.def_property(
        name, typedGuarded<Self, typename G::Result>(getter, static_cast<std::tuple<>*>(nullptr)),
        [setter, function, name = std::string(name)](Self& self, const py::object& value) {
            py::detail::make_caster<Value> caster;
            const std::vector<ArgInfo> info{{name, py::object()}};
            const auto args = py::reinterpret_steal<py::args>(py::make_tuple(value).release());
            loadArg<Value>(caster, 0, function, info, args, py::kwargs());
            guarded([&] { setter(self, py::detail::cast_op<Value>(caster)); });
        },
        py::doc(doc(key)));
}

// ---------------------------------------------------------------------------
// vek's 1-based collections as Python sequences and mappings: c[0] is the
// first item and c[-1] the last (IndexError beyond), c["key"] the item under
// a key, compared without regard to case (KeyError when missing); len(),
// iteration, `in` for keys. item(position) and item(key) keep vek's own
// 1-based access and its numbered errors 9 and 5.
// ---------------------------------------------------------------------------
template <typename T>
void bindCollection(py::module_& m, const char* name) {
    using C = vek::Collection<T>;
    struct Iterator {
        std::shared_ptr<C> items;
        std::size_t next = 1;
    };
    const std::string iteratorName = std::string(name) + "Iterator";
    py::class_<Iterator>(m, iteratorName.c_str())
        .def("__iter__", [](Iterator& it) -> Iterator& { return it; })
        .def("__next__", [](Iterator& it) -> T {
            // Positions are checked at each step: a collection changed while
            // iterated ends early instead of reading freed memory.
            if (it.next > it.items->count()) throw py::stop_iteration();
            return it.items->item(it.next++);
        });
    py::class_<C, std::shared_ptr<C>>(m, name, doc("Collection"))
        .def("__len__", &C::count)
        .def("__bool__", [](const C& c) { return !c.empty(); })
        .def("__getitem__",
             [](const C& c, py::ssize_t i) -> T {
                 const auto n = static_cast<py::ssize_t>(c.count());
                 if (i < 0) i += n;
                 if (i < 0 || i >= n) throw py::index_error("index " + std::to_string(i) + " out of range");
                 return c.item(static_cast<std::size_t>(i) + 1);
             })
        .def("__getitem__",
             [](const C& c, const std::string& key) -> T {
                 if (!c.contains(key)) throw py::key_error(key);
                 return c.item(key);
             })
        .def("__contains__", [](const C& c, const std::string& key) { return c.contains(key); })
        .def("__iter__",
             [](const std::shared_ptr<C>& c) {
                 return Iterator{c, 1};
             })
        .def("keys",
             [](const C& c) {
                 std::vector<std::string> keys;
                 for (std::size_t i = 1; i <= c.count(); ++i) keys.push_back(c.keyAt(i));
                 return keys;
             })
        .def(
            "get",
            [](const C& c, const std::string& key, py::object fallback) -> py::object {
                return c.contains(key) ? py::cast(c.item(key)) : fallback;
            },
            py::arg("key"), py::arg("default") = py::none())
        .def_property_readonly("count", &C::count, "Number of items.")
        .def(
            "item", [](const C& c, std::size_t position) -> T { return c.item(position); },
            "The item at 1-based `position` (error 9 beyond).")
        .def(
            "item", [](const C& c, const std::string& key) -> T { return c.item(key); },
            "The item under `key` (error 5 when missing).")
        .def("keyAt", &C::keyAt, "The key of the item at 1-based `position`.")
        .def("positionOf", &C::positionOf, "1-based position of `key`, 0 when absent.");
}

// ---------------------------------------------------------------------------
// Events: obj.someEvent.connect(callable) returns a Connection whose
// disconnect() removes the handler. Handlers get the event's arguments.
// ---------------------------------------------------------------------------
template <typename... A>
void bindEvent(py::module_& m, const char* name) {
    using E = vek::Event<A...>;
    py::class_<E>(m, name, doc("Event"))
        .def(
            "connect",
            [](E& e, const py::function& handler) {
                PyCallable call(handler);
                return e.connect([call](A&... args) { call(args...); });
            },
            py::arg("handler"), "Calls `handler` with the event's arguments whenever it is raised.")
        .def_property_readonly("handlerCount", &E::handlerCount);
}

// Binds an object-returning Server accessor both by its C++ name and by a
// lower-camel alias (Server.Commands and Server.commands).
template <typename Class, typename Get>
void withAlias(Class& cls, const char* name, const char* alias, Get get) {
    readOnly(cls, name, get);
    readOnly(cls, alias, get, name);
}

}  // namespace vekpy
