#pragma once
// Property access by control and index, always carried out on the GUI thread.
#include <string>

#include "platform/byte_block.h"
#include "platform/runtime/runtime.h"

enum class PropertyOp { Get, SetNumber, SetText, SetPicture };

// One property access, carried out on the GUI thread.
struct PropertyCall {
    ControlId control;
    int index;
    PropertyOp op;
    long long number = 0;
    const std::string* text = nullptr;
    ByteView picture{};
    PropertyValue result{};
};

bool IsControlId(ControlId control);
void CarryOutProperty(PropertyCall& call);
