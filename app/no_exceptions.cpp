// The program is built without exceptions, yet the standard library's texts still name the library
// functions that would throw: a text constructed from a null pointer, grown past its largest size or
// indexed out of range. Defined here, they end the process at once, as running out of heap does,
// and the library's exception machinery (type information, unwinding, a name demangler, thread
// locks and a formatted printer) stays out of the file a user copies. Only the program links this;
// the tests keep the library's own, throwing definitions.
#include <cstdlib>

namespace std {

[[noreturn]] void __throw_bad_alloc() { std::abort(); }
[[noreturn]] void __throw_bad_array_new_length() { std::abort(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { std::abort(); }

}  // namespace std
