#pragma once

#include <cstddef>
#include <memory>

// Memory blocks the system asks for by size; none when the block cannot be had.
class MemoryService {
public:
    virtual ~MemoryService() = default;
    virtual std::unique_ptr<unsigned char[]> AllocateBlock(std::size_t size) = 0;
};
