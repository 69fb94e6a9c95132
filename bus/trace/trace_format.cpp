#include "trace_format.h"

namespace ch367bus {

const char* function_name(Function function) {
    switch (function) {
        case Function::open_device: return "CH367OpenDevice";
        case Function::get_io_base: return "CH367GetIoBaseAddr";
        case Function::read_io_byte: return "CH367ReadIoByte";
        case Function::write_io_byte: return "CH367WriteIoByte";
        case Function::close_device: return "CH367CloseDevice";
    }
    return "?";
}

}  // namespace ch367bus
