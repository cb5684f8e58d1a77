#include "support/Bytes.h"

#include "rig/StartUp.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace meldrix::testsupport {

std::unique_ptr<Rig> freshRig()
{
    return std::make_unique<Rig>();
}

std::unique_ptr<Rig> rigAtStartValues()
{
    auto rig = freshRig();
    SetStartValues(*rig);
    return rig;
}

std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(
        reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> randomBytes(std::size_t count, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

} // namespace meldrix::testsupport
