#include "tools/kcview/Kcview.h"

int main(int argc, char** argv) {
    return kcview::Run(argc, argv);
}
