// A process-wide mode (PortableArithmetic, UseEightLanes, ...) switched by a
// test for one scope: the guard keeps the value it found and puts it back when
// the scope ends, also when a failed ASSERT returns early, so no test leaves a
// mode changed for the tests after it.
//   const ScopedMode arithmetic(PortableArithmetic, true);  // set for the scope
//   const ScopedMode lanes(UseEightLanes);                  // free to switch, restored at the end
#pragma once

template <typename T>
class ScopedMode {
public:
    explicit ScopedMode(T& mode) : mode_(mode), kept_(mode) {}
    ScopedMode(T& mode, const T& value) : ScopedMode(mode) { mode_ = value; }
    ~ScopedMode() { mode_ = kept_; }
    ScopedMode(const ScopedMode&) = delete;
    ScopedMode& operator=(const ScopedMode&) = delete;

private:
    T& mode_;
    const T kept_;
};
