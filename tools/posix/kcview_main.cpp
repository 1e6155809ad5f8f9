#include "tools/view/Kcview.h"

int main(int argc, char** argv) {
    return kcview::Run(argc, argv);
}
