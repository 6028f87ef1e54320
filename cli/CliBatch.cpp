#include "cli/CliBatch.hpp"

namespace {

constexpr const char* kConverted = "处理完毕";
constexpr const char* kNotConverted = "未处理";

}  // namespace

int RunCliBatch(CBookConverter& converter, const CliOptions& options,
                const std::function<void(const std::string&)>& writeLine, std::stop_token stop) {
    int exitStatus = 0;
    for (const std::string& book : options.books) {
        if (stop.stop_requested()) {
            return 1;
        }
        std::string output;
        converter.ReplaceExtension(output, book, "_corvela.epub");
        const int converted = converter.ConvertBook(options.archiverPath, book, output, stop);
        writeLine(std::string(converted ? kConverted : kNotConverted) + "\t" + book);
        if (!converted) {
            exitStatus = 1;
        }
    }
    return exitStatus;
}
