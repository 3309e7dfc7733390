// The real automation servers as Wine has them: no Access, and its own ADO without a type library.
#include <gtest/gtest.h>

#include <thread>

#include "platform/Failure.h"
#include "platform/win32/com/ComApartment.h"
#include "platform/win32/com/ObjectFactory.h"
#include "platform/win32/com/WinAccess.h"
#include "platform/win32/com/WinAdo.h"

namespace {

using platform::Failure;
using platform::win32::com::ComApartment;

TEST(OnWineTest, CreatingAccessFailsAsClassNotRegistered) {
    ComApartment apartment;
    platform::win32::com::WinAccess access;
    try {
        access.createApplication();
        ADD_FAILURE() << "Access was created";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(failure.description(),
                  "Cannot create {73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}: Class not registered");
    }
}

TEST(OnWineTest, AnUnknownProgrammaticIdFailsBeforeCreation) {
    ComApartment apartment;
    try {
        platform::win32::com::createObject("Nobody.Application");
        ADD_FAILURE() << "created";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), CO_E_CLASSSTRING);
        EXPECT_EQ(failure.description(), "Cannot find the class Nobody.Application: Invalid class string");
    }
}

// Wine creates its own "ADODB.Connection", but without ADO's type library registered it cannot look up a
// single member by name.
TEST(OnWineTest, AdoConnectionIsCreatedButFailsOnFirstUse) {
    ComApartment apartment;
    platform::win32::com::WinAdo ado;
    auto connection = ado.createConnection();
    try {
        connection->open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\nothing.mdb");
        ADD_FAILURE() << "opened";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), TYPE_E_LIBNOTREGISTERED);
        EXPECT_EQ(failure.description(), "Cannot reach Open: Library not registered.");
    }
}

}  // namespace

namespace {

// A nested apartment (CoInitializeEx answers S_FALSE) balances its own initialisation and leaves COM
// to the outer one, which ends it.
TEST(ComApartmentTest, NestsOnOneThreadAndEndsWithTheOuterOne) {
    std::thread([] {
        auto comWorks = [] {
            try {
                platform::win32::com::createObject("ADODB.Connection");
                return true;
            } catch (const Failure& failure) {
                EXPECT_EQ(failure.number(), CO_E_NOTINITIALIZED);
                return false;
            }
        };
        EXPECT_FALSE(comWorks());
        {
            ComApartment outer;
            { ComApartment inner; }
            EXPECT_TRUE(comWorks());
        }
        EXPECT_FALSE(comWorks());
        // Inside someone else's initialisation, the apartment still balances its own.
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        { ComApartment nested; }
        CoUninitialize();
        EXPECT_FALSE(comWorks());
    }).join();
}

}  // namespace
