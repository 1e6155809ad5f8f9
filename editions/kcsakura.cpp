// The kcsakura deliverable.

#include "common/Edition.h"
#include "host/Host.h"

int main(int argc, char** argv) {
    return RunHost(argc, argv, kEditionKcsakura);
}
