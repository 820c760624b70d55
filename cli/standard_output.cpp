#include "cli/standard_output.h"

#include "cli/terminal_text.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

namespace dbc::cli {

namespace {

// Writes all of `text` to `descriptor`: 0, or the errno of the failed write.
int writeAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int writeShown(int descriptor, std::string_view text) {
    if (::isatty(descriptor))
        return writeAll(descriptor, visibleControls(text));
    return writeAll(descriptor, text);
}

} // namespace

void writeStandardOutput(std::string_view text) {
    if (const int error = writeShown(STDOUT_FILENO, text))
        throw StandardOutputError(std::string("cannot write to standard output: ") +
                                  std::strerror(error));
}

void writeStandardError(std::string_view text) {
    (void)writeShown(STDERR_FILENO, text);
}

} // namespace dbc::cli
