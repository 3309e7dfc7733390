#include <gtest/gtest.h>

#include "platform/Failure.h"
#include "platform/win32/program/WinSkinFramework.h"
#include "platform/win32/ui/WinWindow.h"
#include "tests/platform/win32/com/AutomationFixture.h"

namespace {

using calvenor::test::AutomationTest;
using calvenor::test::RecordingObject;
using platform::win32::WinSkinFramework;

class SkinFrameworkTest : public AutomationTest {};

TEST_F(SkinFrameworkTest, DrivesTheEngineByTheNumbersOfItsMembers) {
    RecordingObject& engine = object("skin");
    // The recording object numbers members in the order they are first named: 1, 2, 3, ... 10.
    for (const char* name : {"m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9", "m10"}) {
        std::wstring wide{name, name + std::char_traits<char>::length(name)};
        LPOLESTR names[] = {wide.data()};
        DISPID id = 0;
        engine.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    }
    engine.reply("m1", [](const std::vector<VARIANT>&, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_I4;
        result->lVal = 6;
        return S_OK;
    });
    int created = 0;
    {
        WinSkinFramework skin{[&] {
            ++created;
            return reference(engine);
        }};
        platform::win32::ui::WinWindow window({"Page", 3000, 1500, {"Arial", 9, false}, platform::kWhite}, {});
        skin.loadSkin("C:\\Calvenor\\x\\o.cjs", "");
        skin.setProperty(1, skin.property(1) | 1);
        skin.setProperty(5, -1);
        skin.applyWindow(window);
        const auto handle = static_cast<long>(reinterpret_cast<std::intptr_t>(window.handle()));
        EXPECT_EQ(log, (std::vector<std::string>{
                           "skin.call m2(text:C:\\Calvenor\\x\\o.cjs, text:)",
                           "skin.get m1()",
                           "skin.put m1(long:7)",
                           "skin.put m5(long:-1)",
                           "skin.call m3(long:" + std::to_string(handle) + ")",
                       }));
    }
    EXPECT_EQ(created, 1);
}

TEST_F(SkinFrameworkTest, AMissingEngineFailsTheFirstUseWithTheSystemsReason) {
    WinSkinFramework skin;  // "XtremeSkinFramework.SkinFramework" is not registered here
    try {
        skin.loadSkin("C:\\x\\o.cjs", "");
        ADD_FAILURE() << "a skin engine was found";
    } catch (const platform::Failure& failure) {
        EXPECT_NE(failure.description().find("XtremeSkinFramework.SkinFramework"), std::string::npos)
            << failure.description();
    }
}

}  // namespace
