#include "app/ConverterApp.hpp"
#include "platform/File.hpp"

int main(int argc, char** argv) {
    platform::ReportFileSizeLimitAsError();
    CConverterApp application(argc, argv);
    application.InitInstance();
    return 0;
}
