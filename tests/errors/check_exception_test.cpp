#include "serial/check_exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>

#include "serial/exceptions.h"
#include "tests/support/wine.h"

namespace sio {
namespace {

TEST(CheckException, ReturnsForSuccessAndPositiveCodes) {
  for (int32_t code : {0, 1, 15001, 0x7FFFFFFF}) {
    EXPECT_NO_THROW(CheckException(nullptr, code)) << code;
  }
}

TEST(CheckException, IgnoresEveryCodeWhileThePortIsLoading) {
  TComponent port;
  port.BeginLoading();
  for (int32_t code : {-2, -8, -2008, -1, -13980}) {
    EXPECT_NO_THROW(CheckException(&port, code)) << code;
  }
  port.Loaded();
  EXPECT_THROW(CheckException(&port, -2008), EAlreadyOpen);
}

struct IoCase {
  int32_t code;
  std::string message;
};

void ExpectInOutError(const IoCase& c) {
  try {
    CheckException(nullptr, c.code);
    ADD_FAILURE() << c.code << " raised nothing";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), -c.code);
    EXPECT_EQ(e.Message(), c.message);
  }
}

TEST(CheckException, FileAndDeviceCodesRaiseInOutErrorWithThePositiveNumber) {
  const IoCase cases[] = {
      {-2, "File not found"},
      {-5, "File access denied"},
      {-101, "Disk is full"},
      {-162, "General failure"},
      {-75, ""},  // neither a row nor a system text
  };
  for (const auto& c : cases) ExpectInOutError(c);
}

TEST(CheckException, AFileOrDeviceCodeWithoutARowTakesTheSystemsText) {
  if (test_support::RunningUnderWine()) GTEST_SKIP() << "Wine's message texts differ from Windows'";
  ExpectInOutError({-87, "The parameter is incorrect. "});
}

TEST(CheckException, OutOfMemoryIsTheRuntimesOwnException) {
  EXPECT_THROW(CheckException(nullptr, -8), EOutOfMemory);
}

// Runs `raise` and reports the dynamic class check, the code and the message.
template <class Expected>
void ExpectRaised(int32_t code, const std::string& message) {
  try {
    CheckException(nullptr, code);
    ADD_FAILURE() << code << " raised nothing";
  } catch (const Expected& e) {
    EXPECT_EQ(e.ErrorCode(), code);
    EXPECT_EQ(e.Message(), message);
  } catch (const std::exception& e) {
    ADD_FAILURE() << code << " raised " << typeid(e).name();
  }
}

TEST(CheckException, MappedCodesRaiseTheirClassWithCodeAndText) {
  ExpectRaised<EAlreadyOpen>(-2008, "ie_Open - device already open");
  ExpectRaised<EBadId>(-2001, "ie_BadId - Specified comport doesn't exist");
  ExpectRaised<ECommNotOpen>(-2007, "ie_NOpen - device not open");
  ExpectRaised<ENoPortSelected>(-2011,
                                "The ComNumber property of the TSioComPort has not been set");
  ExpectRaised<EOutputBufferTooSmall>(-3006, "Output buffer too small for block");
  ExpectRaised<EBufferIsEmpty>(-3007, "Buffer is empty");
  ExpectRaised<EBadArgument>(-1002, "Bad argument passed to function");
  ExpectRaised<EInternal>(-1006, "Internal error creating window class");
  ExpectRaised<EBadTriggerHandle>(-5003, "Bad trigger handle");
}

TEST(CheckException, FamiliesCatchTheirLeaves) {
  EXPECT_THROW(CheckException(nullptr, -2008), EOpenComm);
  EXPECT_THROW(CheckException(nullptr, -3004), ESerialIO);
  EXPECT_THROW(CheckException(nullptr, -5001), ETrigger);
  EXPECT_THROW(CheckException(nullptr, -4005), EModem);
  EXPECT_THROW(CheckException(nullptr, -7012), EGeneral);
  EXPECT_THROW(CheckException(nullptr, -6008), EProtocol);
  EXPECT_THROW(CheckException(nullptr, -7008), EINI);
  EXPECT_THROW(CheckException(nullptr, -8070), EFax);
  EXPECT_THROW(CheckException(nullptr, -13801), ETapiAllocated);
  EXPECT_THROW(CheckException(nullptr, -13942), ETapi);
  EXPECT_THROW(CheckException(nullptr, -13980), ERasLoadFail);
  EXPECT_THROW(CheckException(nullptr, -2012), ESioException);
}

TEST(CheckException, UnmappedCodesRaiseTheGenericExceptionWithoutTheCode) {
  for (int32_t code : {-1, -1001, -3002, -1117, -995, -4009, -5501, -6001, -7009, -13934}) {
    try {
      CheckException(nullptr, code);
      ADD_FAILURE() << code << " raised nothing";
    } catch (const ESioException& e) {
      EXPECT_EQ(typeid(e), typeid(ESioException)) << code;
      EXPECT_EQ(e.ErrorCode(), 0) << code;
      EXPECT_EQ(e.Message(), "Sio exception") << code;
    }
  }
}

TEST(ESioException, MadeFromACodeWithoutTextHasAnEmptyMessage) {
  const ESioException e(-4242);
  EXPECT_EQ(e.ErrorCode(), -4242);
  EXPECT_EQ(e.Message(), "");
}

TEST(ESioException, CreateUnknownCarriesTheMessageAndCodeZero) {
  const ESioException e = ESioException::CreateUnknown("Dispatcher already started");
  EXPECT_EQ(e.ErrorCode(), 0);
  EXPECT_EQ(e.Message(), "Dispatcher already started");
}

}  // namespace
}  // namespace sio
