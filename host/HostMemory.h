#pragma once

#include <memory>
#include <new>

#include "platform/MemoryService.h"

// Memory blocks from the free store; none when the block cannot be had.
class HostMemory : public MemoryService {
public:
    std::unique_ptr<unsigned char[]> AllocateBlock(std::size_t size) override {
        return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[size]);
    }
};
