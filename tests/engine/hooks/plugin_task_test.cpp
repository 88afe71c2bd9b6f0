// The plug-in uninstaller launcher: started, unchecked, with the parameters
// that the product's config.set names.
#include "engine/plugin_task.h"

#include <windows.h>

#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hooks_test_support.h"

using namespace hooks_test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

const wchar_t kLauncherKeyName[] = L"VEVIrizizudoDizude.exe";

enum class Launcher {
    none,       // no key
    program,    // "Launcher" names the (unsigned) launcher program
    missing,    // "Launcher" names a file that is not there
};

struct PluginCase {
    const char* name;
    const char* configSet;  // null: no file
    Launcher launcher;
    bool runs;
    const wchar_t* parameters;  // what the task read
    const wchar_t* logLine;
};

class PluginTaskTest : public ::testing::TestWithParam<PluginCase> {
protected:
    ProductFolder product;
    ProductFolder launcherFolder;
    Record record;
    ScopedLogCapture log;
    WaitLog waits;
};

TEST_P(PluginTaskTest, RunsTheLauncherOnlyWithUninstallParameters) {
    const PluginCase& c = GetParam();
    if (c.configSet) {
        ASSERT_TRUE(product.WriteText(L"config.set", c.configSet));
    }
    // No signature check: the launcher is an unsigned program.
    const std::wstring program = launcherFolder.Place(Program(L"unsigned"), L"launcher.exe");
    std::unique_ptr<ScopedHklmKey> key;
    if (c.launcher != Launcher::none) {
        key.reset(new ScopedHklmKey(kAppPathsKey, kLauncherKeyName));
        ASSERT_TRUE(key->IsOpen());
        ASSERT_TRUE(key->SetText(L"Launcher", c.launcher == Launcher::missing ? launcherFolder.Join(L"gone.exe")
                                                                              : program));
    }

    CPluginTask task;
    task.StartTask(product.Path());

    EXPECT_EQ(c.parameters, task.GetParameters());
    if (c.runs) {
        EXPECT_THAT(record.Lines(), ElementsAre(ShellRunLine(program, c.parameters)));
        EXPECT_THAT(waits.Waits(), ElementsAre(Pair(program, 3000u)));
    } else {
        EXPECT_THAT(record.Lines(), IsEmpty());
    }
    EXPECT_THAT(log.Messages(), ElementsAre(c.logLine));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PluginTaskTest,
    ::testing::Values(
        PluginCase{"noConfigSet", nullptr, Launcher::program, false, L"",
                   L"CPluginTask::StartTask result=0 code=-1"},
        PluginCase{"emptyParameters", "[plugin_xd]\r\nuninstall_cmd_param=\r\n", Launcher::program, false, L"",
                   L"CPluginTask::StartTask result=0 code=-1"},
        PluginCase{"otherSection", "[plugin]\r\nuninstall_cmd_param=/u\r\n", Launcher::program, false, L"",
                   L"CPluginTask::StartTask result=0 code=-1"},
        PluginCase{"parameters", "[plugin_xd]\r\nuninstall_cmd_param=--exit=7 /uninstall\r\n", Launcher::program,
                   true, L"--exit=7 /uninstall", L"CPluginTask::StartTask result=1 code=7"},
        PluginCase{"noLauncher", "[plugin_xd]\r\nuninstall_cmd_param=/uninstall\r\n", Launcher::none, false,
                   L"/uninstall", L"CPluginTask::StartTask result=0 code=-1"},
        PluginCase{"launcherMissing", "[plugin_xd]\r\nuninstall_cmd_param=/uninstall\r\n", Launcher::missing,
                   false, L"/uninstall", L"CPluginTask::StartTask result=0 code=-1"}),
    [](const ::testing::TestParamInfo<PluginCase>& info) { return info.param.name; });

}  // namespace
