// Shape and its eleven variant classes. A variant object is a one-item tuple in behaviour: `_0`,
// item 0 and pattern matching give a new object of the shape's own class with a copy of the shape.
#include "trelk_wrappers/shape_union.hpp"

#include <array>
#include <string>

#include "binding/dataclass.hpp"
#include "binding/signature.hpp"

namespace quorix::py {

namespace {

constexpr std::size_t kind_count = std::variant_size_v<AnyShape>;

template <std::size_t K>
using Kind = std::variant_alternative_t<K, AnyShape>;

PyTypeObject* shape_base() { return ClassOf<ShapeUnion>::lazy().get(); }

// ---- one variant class ----

template <std::size_t K>
struct Variant {
    using S = Kind<K>;

    static const AnyShape& held(PyObject* self) { return value_of<AnyShape>(self); }

    static PyObject* item0(PyObject* self) { return wrap(std::get<K>(held(self))); }

    static LazyType& lazy();

    static PyTypeObject* type_if_created() { return lazy().created(); }

    static PyObject* get_0(PyObject* self, void*) {
        return guard([&] { return item0(self); });
    }

    static Py_ssize_t length(PyObject*) { return 1; }

    static PyObject* subscript(PyObject* self, PyObject* key) {
        return guard([&] {
            unsigned long long idx;
            read_argument(key, "idx", idx);
            if (idx != 0) {
                PyErr_SetString(PyExc_IndexError, "tuple index out of range");
                throw PythonError{};
            }
            return item0(self);
        });
    }

    static const Signature& signature() {
        static const Signature sig(ClassOf<S>::name, "__new__", "(_0)");
        return sig;
    }

    static PyObject* make(PyTypeObject* type, PyObject* arg0) {
        OwnArg<S> v;
        read_argument(arg0, "_0", v);
        return wrap_in(type, AnyShape(std::in_place_index<K>, shape_of(v)));
    }

    static PyObject* vectorcall(PyObject* type, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
        return guard([&] {
            PyObject* slot[1] = {};
            signature().parse(args, PyVectorcall_NARGS(nargsf), kwnames, slot);
            return make(reinterpret_cast<PyTypeObject*>(type), slot[0]);
        });
    }

    static PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
        return guard([&] {
            PyObject* slot[1] = {};
            signature().parse_tuple(args, kwargs, slot);
            return make(type, slot[0]);
        });
    }

    static PyObject* match_args() { return Py_BuildValue("(s)", "_0"); }
    static PyObject* qualname() { return PyUnicode_FromString((std::string("Shape.") + ClassOf<S>::name).c_str()); }

    static const ClassGroup& group() {
        static const ClassGroup g(
            lazy(),
            {
                {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_value<AnyShape>)},
                {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
                {Py_mp_length, reinterpret_cast<void*>(&length)},
                {Py_mp_subscript, reinterpret_cast<void*>(&subscript)},
            },
            {}, {{"_0", &get_0, nullptr, nullptr, nullptr}},
            {{"__match_args__", &match_args}, {"__qualname__", &qualname}});
        return g;
    }
};

template <std::size_t K>
LazyType& Variant<K>::lazy() {
    static const std::string doc = std::string(ClassOf<S>::name) + "(_0)";
    static LazyType type({ClassOf<S>::name, doc.c_str(), sizeof(ValueObject<AnyShape>), 0, &vectorcall, &shape_base});
    return type;
}

template <std::size_t... K>
constexpr auto variant_lazies(std::index_sequence<K...>) {
    return std::array<LazyType& (*)(), kind_count>{&Variant<K>::lazy...};
}
constexpr auto variant_lazy = variant_lazies(std::make_index_sequence<kind_count>{});

// Registers every variant's group when the module file is loaded.
template <std::size_t... K>
bool register_variants(std::index_sequence<K...>) {
    (Variant<K>::group(), ...);
    return true;
}
const bool variants_registered = register_variants(std::make_index_sequence<kind_count>{});

// ---- the base class ----

PyObject* empty_dict(PyObject* self, void*) {
    return guard([&]() -> PyObject* {
        if (!PyObject_TypeCheck(self, shape_base())) raise_not_instance(self, "Shape");
        return check(PyDict_New()).release();
    });
}

template <std::size_t K>
PyObject* variant_class() {
    return Py_NewRef(reinterpret_cast<PyObject*>(Variant<K>::lazy().get()));
}

template <std::size_t... K>
std::vector<ClassAttribute> variant_attributes(std::index_sequence<K...>) {
    return {ClassAttribute{ClassOf<Kind<K>>::name, &variant_class<K>}...};
}

const ClassGroup base_group(
    ClassOf<ShapeUnion>::lazy(), {}, {}, {{"__dict__", &empty_dict, nullptr, nullptr, nullptr}}, [] {
        std::vector<ClassAttribute> a = variant_attributes(std::make_index_sequence<kind_count>{});
        a.push_back({"__dataclass_fields__", []() -> PyObject* { return make_dataclass_fields({}); }});
        return a;
    }());

}  // namespace

LazyType& ClassOf<ShapeUnion>::lazy() {
    static LazyType type({"Shape", nullptr, sizeof(PyObject), Py_TPFLAGS_BASETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION, nullptr});
    return type;
}

const AnyShape* held_shape(PyObject* o) {
    PyTypeObject* type = Py_TYPE(o);
    for (auto lazy : variant_lazy)
        if (type == lazy().created()) return &value_of<AnyShape>(o);
    return nullptr;
}

PyObject* shape_value(AnyShape&& s) {
    PyTypeObject* type = variant_lazy[s.index()]().get_or_fault();
    return wrap_in(type, std::move(s));
}

PyObject* ToPy<trelk::Stretched>::convert(trelk::Stretched&& members) {
    Ref list = check(PyList_New(static_cast<Py_ssize_t>(members.size())));
    for (std::size_t i = 0; i < members.size(); ++i) {
        AnyShape s = std::visit([](auto&& m) { return AnyShape(std::move(m)); }, std::move(members[i]));
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), shape_value(std::move(s)));
    }
    return list.release();
}

}  // namespace quorix::py
