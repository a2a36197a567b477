#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <thread>

#include "ResourceContext.h"

namespace {

// Stands in for the module's instance: any other loaded module will do.
HINSTANCE FakeModule() { return GetModuleHandleA("kernel32.dll"); }

TEST(ResourceScope, MakesTheModuleCurrentAndRestoresOnEveryExit) {
    ui::SetModuleInstance(FakeModule());
    const HINSTANCE host = ui::ResourceInstance();
    EXPECT_EQ(host, GetModuleHandleW(nullptr)) << "the executable's resources by default";
    {
        ui::CResourceScope outer;
        EXPECT_EQ(ui::ResourceInstance(), FakeModule());
        {
            ui::CResourceScope inner;
            EXPECT_EQ(ui::ResourceInstance(), FakeModule());
        }
        EXPECT_EQ(ui::ResourceInstance(), FakeModule());
    }
    EXPECT_EQ(ui::ResourceInstance(), host);
    try {
        ui::CResourceScope scope;
        throw std::runtime_error("export failed");
    } catch (const std::exception&) {
    }
    EXPECT_EQ(ui::ResourceInstance(), host) << "restored when an exception leaves the export";
}

TEST(ResourceScope, IsPerThread) {
    ui::SetModuleInstance(FakeModule());
    ui::CResourceScope scope;
    HINSTANCE seen = nullptr;
    std::thread([&] { seen = ui::ResourceInstance(); }).join();
    EXPECT_EQ(seen, GetModuleHandleW(nullptr));
}

}  // namespace
