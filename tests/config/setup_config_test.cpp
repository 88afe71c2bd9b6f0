// The setup project: the shipped resource read end to end through 7z.dll and
// MSXML, and the reading rules on projects written for each case.
#include "config/setup_config.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/seven_zip_extract.h"
#include "test_support.h"
#include "xml_test_files.h"

using testing_support::ExeDir;
using testing_support::FileExists;
using testing_support::Narrow;
using testing_support::ScopedTempDir;

namespace {

std::wstring Text(bool (CSetupConfig::*get)(wchar_t*, int) const, const CSetupConfig& config) {
    wchar_t buffer[MAX_PATH];
    return (config.*get)(buffer, MAX_PATH) ? buffer : L"<none>";
}

std::vector<std::string> RootEntries(CSetupConfig& config) {
    std::vector<std::string> entries;
    IUninstallRootDirList* list = config.GetRootDirList();
    for (int i = 0; i < list->GetCount(); ++i) {
        UninstallRootDirItem item;
        EXPECT_TRUE(list->GetAt(i, &item));
        entries.push_back(Narrow(item.Name) + (item.IsDir ? "/" : "") + (item.Optional ? "?" : ""));
    }
    return entries;
}

// --------------------------------------------------------- shipped resource

TEST(ShippedSetupConfigTest, UnpacksAndReadsIntoTheProductModel) {
    ScopedCom com;
    ASSERT_TRUE(Load7zLibrary((ExeDir() + L"\\7z.dll").c_str()));
    std::wstring folder;
    {
        CSetupConfig config;
        ASSERT_TRUE(config.Init(::GetModuleHandleW(nullptr), 209, L"SETUPCONFIG", L"vorud.ovnprj"));
        folder = config.GetUnpackFolder();
        ASSERT_FALSE(folder.empty());
        EXPECT_TRUE(FileExists(folder + L"\\vorud.ovnprj"));
        EXPECT_EQ(folder + L"\\UninstallRootDirFileList.xml", config.GetRootDirListFile());

        EXPECT_EQ(L"1.2.1.8888", Text(&CSetupConfig::GetVersion, config));
        EXPECT_EQ(200, config.GetMinimizeSpace());
        EXPECT_EQ(200, config.GetFileCount());
        EXPECT_EQ(L"Rudare.exe", Text(&CSetupConfig::GetMainApp, config));
        EXPECT_EQ(HKEY_LOCAL_MACHINE, config.GetRegAppPathRoot());
        EXPECT_EQ(L"SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\Rudare.exe",
                  Text(&CSetupConfig::GetRegAppPathSubKey, config));
        EXPECT_EQ(L"Path", Text(&CSetupConfig::GetRegAppPathValue, config));
        EXPECT_EQ(0, config.GetCloseProgramCount());
        EXPECT_EQ(0, config.GetRundllItemCount());
        EXPECT_EQ(0, config.GetCheckFileCount());
        EXPECT_EQ(0, config.GetInstallProgramCount());

        ASSERT_EQ(1, config.GetUninstallProgramCount());
        ProgramItem program;
        ASSERT_TRUE(config.GetUninstallProgram(0, &program));
        EXPECT_STREQ(L"provider\\wpprovider.dll", program.FileName);
        EXPECT_STREQ(L"dll", program.Type);
        EXPECT_STREQ(L"DS", program.FuncName);
        EXPECT_STREQ(L"", program.Para);
        EXPECT_STREQ(L"", program.Cmdline);
        EXPECT_STREQ(L"", program.SignType);
        EXPECT_EQ(0, program.WaitTime);
        EXPECT_EQ(1, program.Sync);

        // In key order: the upper-cased names by code unit ("." < letters < "_").
        std::vector<std::string> expected = {
            "config.ini", "config.set", "crashreport.exe", "locales/", "plugins/", "product", "provider/",
            "resources/", "rudare.exe", "RudaRE.set", "rudare_core.dll", "rudare_log.dll", "rudare_net.dll",
            "rudare_player.dll", "rudare_render.dll", "rudare_ui.dll", "Uninstall.exe", "update/",
            "updatecache.dat", "updatecfg.ini", "utils/", "vortana.set", "vorud_setup.log", "vorud_update.exe",
            "wallpaper.set", "wallpaperhelper/", "webcore.dll", "webcore_100_percent.pak",
            "webcore_200_percent.pak", "webcore_egl.dll", "webcore_elf.dll", "webcore_gles.dll",
            "webcore_icudata.dat", "webcore_resources.pak", "webcore_snapshot.bin", "web_helper.exe"};
        EXPECT_EQ(expected, RootEntries(config));
    }
    EXPECT_FALSE(FileExists(folder)) << "the unpack folder outlived the configuration";
}

TEST(ShippedSetupConfigTest, TheUninstallerCarriesTheSameArchive) {
    auto resourceBytes = [](HMODULE module) {
        HRSRC resource = ::FindResourceExW(module, L"SETUPCONFIG", MAKEINTRESOURCEW(209),
                                           MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
        if (!resource) return std::string();
        const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, resource)));
        return std::string(data, ::SizeofResource(module, resource));
    };
    std::string own = resourceBytes(::GetModuleHandleW(nullptr));
    ASSERT_GE(own.size(), 6u);
    EXPECT_EQ(0, std::memcmp(own.data(), "7z\xBC\xAF\x27\x1C", 6));

    HMODULE uninstaller = ::LoadLibraryExW((ExeDir() + L"\\product\\Uninstall.exe").c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(uninstaller);
    EXPECT_EQ(own, resourceBytes(uninstaller));
    ::FreeLibrary(uninstaller);
}

TEST(ShippedSetupConfigTest, InitFailures) {
    ScopedCom com;
    ASSERT_TRUE(Load7zLibrary((ExeDir() + L"\\7z.dll").c_str()));
    CSetupConfig missingResource;
    EXPECT_FALSE(missingResource.Init(::GetModuleHandleW(nullptr), 210, L"SETUPCONFIG", L"vorud.ovnprj"));
    EXPECT_EQ(L"", missingResource.GetUnpackFolder());

    // Unpacked, but the project is not in the archive: false, and the folder
    // still goes with the configuration.
    std::wstring folder;
    {
        CSetupConfig wrongName;
        EXPECT_FALSE(wrongName.Init(::GetModuleHandleW(nullptr), 209, L"SETUPCONFIG", L"other.ovnprj"));
        folder = wrongName.GetUnpackFolder();
        EXPECT_TRUE(FileExists(folder + L"\\vorud.ovnprj"));
    }
    EXPECT_FALSE(FileExists(folder));
}

// ------------------------------------------------------------ reading rules

class SetupProjectTest : public testing::Test {
protected:
    // Writes a project (the Setup element's content) and loads it.
    bool Load(const std::wstring& content, const wchar_t* name = L"test.ovnprj") {
        std::wstring path = dir_.Join(name);
        EXPECT_TRUE(WriteUtf16Xml(path, L"<Setup>\r\n" + content + L"</Setup>\r\n"));
        return config_.LoadProject(path.c_str());
    }

    ScopedCom com_;
    ScopedTempDir dir_{L"project"};
    CSetupConfig config_;
};

TEST_F(SetupProjectTest, DefaultsOfAnEmptyProject) {
    ASSERT_TRUE(Load(L""));
    EXPECT_EQ(100, config_.GetMinimizeSpace());
    EXPECT_EQ(200, config_.GetFileCount());
    EXPECT_EQ(HKEY_LOCAL_MACHINE, config_.GetRegAppPathRoot());
    EXPECT_EQ(L"", Text(&CSetupConfig::GetVersion, config_));
    EXPECT_EQ(L"", Text(&CSetupConfig::GetMainApp, config_));
    EXPECT_EQ(0, config_.GetCloseProgramCount());
    EXPECT_EQ(0, config_.GetUninstallProgramCount());
    EXPECT_EQ(0, config_.GetRundllItemCount());
    EXPECT_EQ(0, config_.GetRootDirList()->GetCount());
    EXPECT_EQ(L"", config_.GetRootDirListFile());
}

TEST_F(SetupProjectTest, MainGuardsTheListFileAndTheFileCount) {
    ASSERT_TRUE(testing_support::WriteFileBytes(
        dir_.Join(L"list.xml"), "<RootDirFiles><File><Item Name=\"a.exe\"/></File></RootDirFiles>"));
    const std::wstring others =
        L"<UninstallRootDirFileList File=\"list.xml\"/><FileList FileCount=\"0x20\"/>";

    ASSERT_TRUE(Load(others));  // without Main neither is read
    EXPECT_EQ(200, config_.GetFileCount());
    EXPECT_EQ(0, config_.GetRootDirList()->GetCount());

    CSetupConfig withMain;
    std::wstring path = dir_.Join(L"main.ovnprj");
    ASSERT_TRUE(WriteUtf16Xml(path, L"<Setup><Main Version=\"2.0\" MinimizeSpace=\"  55\"/>" + others + L"</Setup>"));
    ASSERT_TRUE(withMain.LoadProject(path.c_str()));
    EXPECT_EQ(55, withMain.GetMinimizeSpace());
    EXPECT_EQ(32, withMain.GetFileCount());
    EXPECT_EQ(dir_.Join(L"list.xml"), withMain.GetRootDirListFile());
    EXPECT_TRUE(withMain.GetRootDirList()->Contains(L"A.EXE"));
}

TEST_F(SetupProjectTest, AMissingRootListIsNoError) {
    ASSERT_TRUE(Load(L"<Main Version=\"1\"/><UninstallRootDirFileList File=\"absent.xml\"/>"));
    EXPECT_EQ(0, config_.GetRootDirList()->GetCount());
    EXPECT_EQ(L"1", Text(&CSetupConfig::GetVersion, config_));
}

TEST_F(SetupProjectTest, ProjectPathsThatAreRefused) {
    ASSERT_TRUE(testing_support::WriteFileBytes(dir_.Join(L"broken.ovnprj"), "<Setup><Main></Setup>"));
    std::wstring longPath = dir_.Path() + L"\\" + std::wstring(512 - dir_.Path().size() - 1, L'p');
    EXPECT_EQ(512u, longPath.size());
    struct Case {
        std::wstring path;
    } cases[] = {{L""}, {dir_.Join(L"missing.ovnprj")}, {dir_.Path()}, {dir_.Join(L"broken.ovnprj")}, {longPath}};
    for (const Case& c : cases) EXPECT_FALSE(config_.LoadProject(c.path.c_str())) << Narrow(c.path);
    EXPECT_FALSE(config_.LoadProject(nullptr));
}

TEST_F(SetupProjectTest, RegistryRootNames) {
    struct Case {
        const wchar_t* attribute;
        HKEY root;
    } cases[] = {
        {L"HKEY=\"HKEY_LOCAL_MACHINE\"", HKEY_LOCAL_MACHINE},
        {L"HKEY=\"hkey_current_user\"", HKEY_CURRENT_USER},
        {L"HKEY=\"Hkey_Users\"", HKEY_USERS},
        {L"HKEY=\"HKEY_CLASSES_ROOT\"", HKEY_CLASSES_ROOT},
        {L"HKEY=\"HKEY_CURRENT_CONFIG\"", HKEY_CURRENT_CONFIG},
        {L"HKEY=\"HKCU\"", HKEY_LOCAL_MACHINE},
        {L"HKEY=\" HKEY_CURRENT_USER\"", HKEY_LOCAL_MACHINE},
        {L"", HKEY_LOCAL_MACHINE},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Load(std::wstring(L"<RegAppPath ") + c.attribute + L" SubKey=\"A\\\\B\" Value=\"Path\"/>"));
        EXPECT_EQ(c.root, config_.GetRegAppPathRoot()) << Narrow(c.attribute);
        EXPECT_EQ(L"A\\\\B", Text(&CSetupConfig::GetRegAppPathSubKey, config_));
    }
}

TEST_F(SetupProjectTest, StringRule) {
    ASSERT_TRUE(Load(L"<Main Version=\"1.2.1.8888\"/>"));
    struct Case {
        int capacity;
        bool result;
        const wchar_t* text;
    } cases[] = {{11, true, L"1.2.1.8888"}, {10, false, L""}, {1, false, L""}, {0, false, L"x"}};
    for (const Case& c : cases) {
        wchar_t buffer[16] = L"x";
        EXPECT_EQ(c.result, config_.GetVersion(buffer, c.capacity)) << c.capacity;
        EXPECT_STREQ(c.text, buffer) << c.capacity;
    }
    EXPECT_FALSE(config_.GetVersion(nullptr, 16));
    wchar_t buffer[4] = L"x";
    EXPECT_TRUE(config_.GetMainApp(buffer, 4));  // the empty text fits
    EXPECT_STREQ(L"", buffer);
    EXPECT_FALSE(config_.GetCheckFile(0, buffer, 4));
    EXPECT_FALSE(config_.GetInstallProgram(0, nullptr));
}

TEST_F(SetupProjectTest, ClosePrograms) {
    ASSERT_TRUE(Load(
        L"<CloseAllPrograms>\r\n"
        L"  <Program WindowClass=\"A\" Message=\"wm_close\"/>\r\n"
        L"  <Program WindowClass=\"B\" Message=\"WM_QUIT\" WPARAM=\"1\" LPARAM=\"0x2\" Timeout=\"50\"/>\r\n"
        L"  <Program WindowClass=\"C\" Message=\"WM_COMMAND\"/>\r\n"
        L"  <Program WindowClass=\"D\" Message=\"WM_DESTROY\"/>\r\n"
        L"  <Program WindowClass=\"" + std::wstring(196, L'w') + L"\"/>\r\n"
        L"  <Program WindowClass=\"" + std::wstring(195, L'v') + L"\"/>\r\n"
        L"  <Program/>\r\n"
        L"</CloseAllPrograms>\r\n"));
    struct Expected {
        std::wstring windowClass;
        int message, wParam, lParam, timeout;
    } expected[] = {
        {L"A", WM_CLOSE, 360, 360, 2000},
        {L"B", WM_QUIT, 1, 2, 50},
        {L"C", WM_COMMAND, 360, 360, 2000},
        {L"D", WM_CLOSE, 360, 360, 2000},
        {std::wstring(195, L'v'), WM_CLOSE, 360, 360, 2000},
        {L"", WM_CLOSE, 360, 360, 2000},
    };
    ASSERT_EQ(6, config_.GetCloseProgramCount());
    for (int i = 0; i < 6; ++i) {
        CloseProgramItem item;
        ASSERT_TRUE(config_.GetCloseProgram(i, &item));
        EXPECT_EQ(expected[i].windowClass, item.WindowClass) << i;
        EXPECT_EQ(expected[i].message, item.Message) << i;
        EXPECT_EQ(expected[i].wParam, item.WParam) << i;
        EXPECT_EQ(expected[i].lParam, item.LParam) << i;
        EXPECT_EQ(expected[i].timeout, item.Timeout) << i;
    }
    CloseProgramItem item;
    std::memset(&item, 0xCC, sizeof(item));
    EXPECT_FALSE(config_.GetCloseProgram(6, &item));
    EXPECT_EQ(0, item.Message);  // cleared all the same
    EXPECT_STREQ(L"", item.WindowClass);
    EXPECT_FALSE(config_.GetCloseProgram(-1, &item));

    // A second load starts the list anew.
    ASSERT_TRUE(Load(L"<CloseAllPrograms/>"));
    EXPECT_EQ(0, config_.GetCloseProgramCount());
}

TEST_F(SetupProjectTest, UninstallProgramsSkipOverlongFields) {
    const std::wstring tooLong(260, L'f');
    const std::wstring fits(259, L'g');
    std::wstring items;
    const wchar_t* fields[] = {L"FileName", L"Type", L"FuncName", L"Para", L"Cmdline", L"SignType"};
    for (const wchar_t* field : fields)
        items += L"<Program " + std::wstring(field) + L"=\"" + tooLong + L"\"/>\r\n";
    items += L"<Program FileName=\"" + fits + L"\" Type=\"exe\" Para=\"/u\" Cmdline=\"x y\" SignType=\"1\""
             L" WaitTime=\"3000\" Sync=\"0\"/>\r\n";
    items += L"<Program FileName=\"hook.dll\" FuncName=\"Uninst\"/>\r\n";
    ASSERT_TRUE(Load(L"<CallProgramOnInst><Program FileName=\"install.exe\"/></CallProgramOnInst>\r\n"
                     L"<CallProgramOnUninst>\r\n" + items + L"</CallProgramOnUninst>\r\n"));

    ASSERT_EQ(2, config_.GetUninstallProgramCount());
    ProgramItem first, second;
    ASSERT_TRUE(config_.GetUninstallProgram(0, &first));
    EXPECT_EQ(fits, first.FileName);
    EXPECT_STREQ(L"exe", first.Type);
    EXPECT_STREQ(L"", first.FuncName);
    EXPECT_STREQ(L"/u", first.Para);
    EXPECT_STREQ(L"x y", first.Cmdline);
    EXPECT_STREQ(L"1", first.SignType);
    EXPECT_EQ(3000, first.WaitTime);
    EXPECT_EQ(0, first.Sync);
    ASSERT_TRUE(config_.GetUninstallProgram(1, &second));
    EXPECT_STREQ(L"hook.dll", second.FileName);
    EXPECT_STREQ(L"Uninst", second.FuncName);
    EXPECT_EQ(0, second.WaitTime);
    EXPECT_EQ(1, second.Sync);
    EXPECT_FALSE(config_.GetUninstallProgram(2, &second));
    EXPECT_EQ(0, config_.GetInstallProgramCount());  // the installer's list is not read
}

TEST_F(SetupProjectTest, UnregistrationItemsFollowTheSystemBitness) {
    // This runs on 64-bit Windows: "64" items are used, "32" ones skipped.
    ASSERT_TRUE(Load(
        L"<RundllUnRegisterOnUnInst>\r\n"
        L"  <Item FileName=\"a64.dll\" Entry=\"Unreg\" System=\"64\" WaitTime=\"100\"/>\r\n"
        L"  <Item FileName=\"a32.dll\" Entry=\"Unreg\" System=\"32\"/>\r\n"
        L"  <Item FileName=\"none.dll\" Entry=\"Unreg\"/>\r\n"
        L"  <Item FileName=\"x64.dll\" Entry=\"Unreg\" System=\"x64\"/>\r\n"
        L"  <Item FileName=\"" + std::wstring(260, L'l') + L"\" System=\"64\"/>\r\n"
        L"  <Item FileName=\"b64.dll\" Entry=\"Unreg\" Cmdline=\"/s\" System=\"64\"/>\r\n"
        L"</RundllUnRegisterOnUnInst>\r\n"));
    ASSERT_EQ(2, config_.GetRundllItemCount());
    RundllItem item;
    ASSERT_TRUE(config_.GetRundllItem(0, &item));
    EXPECT_STREQ(L"a64.dll", item.FileName);
    EXPECT_STREQ(L"Unreg", item.Entry);
    EXPECT_EQ(100, item.WaitTime);
    ASSERT_TRUE(config_.GetRundllItem(1, &item));
    EXPECT_STREQ(L"b64.dll", item.FileName);
    EXPECT_STREQ(L"/s", item.Cmdline);
    EXPECT_EQ(0, item.WaitTime);
}

TEST_F(SetupProjectTest, OnlyTheFirstOfEachElementCounts) {
    ASSERT_TRUE(Load(L"<Main Version=\"first\"/><Main Version=\"second\"/>"
                     L"<Application MainApp=\"a.exe\"/><Application MainApp=\"b.exe\"/>"));
    EXPECT_EQ(L"first", Text(&CSetupConfig::GetVersion, config_));
    EXPECT_EQ(L"a.exe", Text(&CSetupConfig::GetMainApp, config_));
}

}  // namespace
