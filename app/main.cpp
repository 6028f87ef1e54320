#include "app/ConverterApp.hpp"

int main(int argc, char** argv) {
    CConverterApp application(argc, argv);
    application.InitInstance();
    return 0;
}
