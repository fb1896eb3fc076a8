// The program uses no exceptions. Where the C++ library would throw (memory that cannot be
// obtained, a text or list that would grow past its size limit), the program ends as a
// fatal run-time error instead. Replacing these keeps the library's exception machinery,
// and the thread library it locks with, out of setup.exe.
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

#include "platform/runtime/runtime.h"

namespace {
constexpr char kNoMemory[] = "无法为文本获得内存。";
constexpr char kTooLong[] = "文本或列表超出了允许的长度。";
constexpr char kInternal[] = "程序内部出错。";

void* Allocate(std::size_t size) {
    for (;;) {
        if (void* memory = std::malloc(size ? size : 1))
            return memory;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            FatalRuntimeError(kNoMemory);
        handler();
    }
}
} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

// Every throw function of the library, so that none of them can bring the others back.
namespace std {
void __throw_bad_alloc() {
    FatalRuntimeError(kNoMemory);
}
void __throw_bad_array_new_length() {
    FatalRuntimeError(kNoMemory);
}
void __throw_length_error(const char*) {
    FatalRuntimeError(kTooLong);
}
void __throw_out_of_range(const char*) {
    FatalRuntimeError(kTooLong);
}
void __throw_out_of_range_fmt(const char*, ...) {
    FatalRuntimeError(kTooLong);
}
void __throw_logic_error(const char*) {
    FatalRuntimeError(kInternal);
}
void __throw_domain_error(const char*) {
    FatalRuntimeError(kInternal);
}
void __throw_invalid_argument(const char*) {
    FatalRuntimeError(kInternal);
}
void __throw_runtime_error(const char*) {
    FatalRuntimeError(kInternal);
}
void __throw_range_error(const char*) {
    FatalRuntimeError(kInternal);
}
void __throw_overflow_error(const char*) {
    FatalRuntimeError(kInternal);
}
void __throw_underflow_error(const char*) {
    FatalRuntimeError(kInternal);
}
void __throw_bad_exception() {
    FatalRuntimeError(kInternal);
}
void __throw_bad_cast() {
    FatalRuntimeError(kInternal);
}
void __throw_bad_typeid() {
    FatalRuntimeError(kInternal);
}
void __throw_bad_function_call() {
    FatalRuntimeError(kInternal);
}
void __throw_ios_failure(const char*) {
    FatalRuntimeError(kInternal);
}
void __throw_ios_failure(const char*, int) {
    FatalRuntimeError(kInternal);
}
void __throw_system_error(int) {
    FatalRuntimeError(kInternal);
}
void __throw_future_error(int) {
    FatalRuntimeError(kInternal);
}
} // namespace std
