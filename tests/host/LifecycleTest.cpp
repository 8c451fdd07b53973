// Prototype and instance life cycle across the library boundary: creation on
// demand, defaults before InitGL, the failure paths, the once-per-process GL
// loader, the connected flag and teardown order.
#include <cstdio>
#include <fstream>

#include "PluginFixture.h"
#include "testing/plugin_host/HostFramebuffer.h"

namespace {

using Calls = std::vector<std::string>;
using LifeCycle = PluginFixture;

const Calls kDefaultsOfP2 = {
    "P2.SetFloatParameter(0,0.25)", "P2.SetTextParameter(1,hello)",
    "P2.SetFloatParameter(2,1)",    "P2.SetFloatParameter(3,1)",
    "P2.SetTextParameter(4,/tmp/a.png)", "P2.SetFloatParameter(5,0)",
    "P2.SetFloatParameter(6,7)",
};

Calls Concat(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(LifeCycle, LoadingTheLibraryCreatesNoPluginObject) {
  EXPECT_TRUE(TakeCalls().empty());
  EXPECT_EQ(probe::GlewInitCalls(), 0);
}

TEST_F(LifeCycle, FirstInstantiationMakesPrototypeThenInstanceWithDefaultsBeforeInitGL) {
  auto first = Instantiate();
  ASSERT_TRUE(first);
  EXPECT_EQ(TakeCalls(), Concat(Concat({"initialise", "factory", "P1.construct", "factory",
                                        "P2.construct"},
                                       kDefaultsOfP2),
                                {"P2.InitGL(0,0,64,32)"}));
  EXPECT_EQ(probe::GlewInitCalls(), 1);
  // The handle is the whole address of the object.
  ASSERT_EQ(probe::Objects().size(), 2u);
  EXPECT_EQ(first->Handle(), probe::Objects()[1]);

  auto second = Instantiate(8, 8);
  ASSERT_TRUE(second);
  EXPECT_NE(second->Handle(), first->Handle());
  const Calls calls = TakeCalls();
  EXPECT_EQ(calls.front(), "factory");  // the prototype is reused
  EXPECT_EQ(calls.back(), "P3.InitGL(0,0,8,8)");
  EXPECT_EQ(probe::GlewInitCalls(), 1);
}

TEST_F(LifeCycle, NullViewportCreatesNeitherPrototypeNorInstance) {
  EXPECT_TRUE(testhost::IsFail(library_->InstantiateRaw(nullptr)));
  EXPECT_TRUE(TakeCalls().empty());
  EXPECT_EQ(probe::GlewInitCalls(), 0);
}

TEST_F(LifeCycle, RefusedDefaultDeletesTheObjectWithoutDeInitGL) {
  probe::GetSwitches().refuseParameterId = 1;
  EXPECT_FALSE(library_->Instantiate(ViewportRecord{0, 0, 4, 4}));
  const Calls calls = TakeCalls();
  const Calls tail(calls.end() - 3, calls.end());
  EXPECT_EQ(tail, (Calls{"P2.SetFloatParameter(0,0.25)", "P2.SetTextParameter(1,hello)",
                         "P2.destroy"}));
  EXPECT_EQ(probe::GlewInitCalls(), 0);  // refused before the loader step
}

TEST_F(LifeCycle, FailingInitGLRunsDeInitGLThenDeletesAndALaterOneSucceeds) {
  probe::GetSwitches().initGLFails = true;
  EXPECT_FALSE(library_->Instantiate(ViewportRecord{0, 0, 4, 4}));
  const Calls calls = TakeCalls();
  const Calls tail(calls.end() - 3, calls.end());
  EXPECT_EQ(tail, (Calls{"P2.InitGL(0,0,4,4)", "P2.DeInitGL", "P2.destroy"}));

  probe::GetSwitches().initGLFails = false;
  EXPECT_TRUE(Instantiate());
  EXPECT_EQ(probe::GlewInitCalls(), 1);
}

TEST_F(LifeCycle, FailingFactoryLeavesNothingBehind) {
  probe::GetSwitches().factoryFails = true;
  EXPECT_EQ(library_->Initialise(), FF_FAIL);
  EXPECT_EQ(library_->GetNumParameters(), FF_FAIL);  // retried, fails again
  EXPECT_TRUE(testhost::IsFail(library_->InstantiateRaw(nullptr)));
  const ViewportRecord viewport{0, 0, 4, 4};
  EXPECT_TRUE(testhost::IsFail(library_->InstantiateRaw(&viewport)));
  EXPECT_EQ(TakeCalls(), (Calls{"initialise", "factory", "initialise", "factory", "initialise",
                                "factory"}));
}

TEST_F(LifeCycle, InitialiseCallbackRunsEveryTimeAndItsRefusalIsPassedOn) {
  EXPECT_EQ(library_->Initialise(), FF_SUCCESS);
  EXPECT_EQ(library_->Initialise(), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"initialise", "factory", "P1.construct", "initialise"}));

  EXPECT_EQ(library_->DeInitialise(), FF_SUCCESS);
  probe::GetSwitches().initialiseResult = 7;
  EXPECT_EQ(library_->Initialise(), 7u);
  EXPECT_EQ(library_->GetNumParameters(), FF_FAIL);
  EXPECT_EQ(library_->GetParameterName(0), nullptr);
  // Neither 0 nor FF_FAIL still leaves no prototype: no instance either.
  EXPECT_FALSE(library_->Instantiate(ViewportRecord{0, 0, 4, 4}));
  probe::GetSwitches().initialiseResult = 0;
  EXPECT_EQ(library_->GetNumParameters(), 7u);
  EXPECT_EQ(TakeCalls(), (Calls{"P1.destroy", "deinitialise", "initialise", "initialise",
                                "initialise", "initialise", "initialise", "factory",
                                "P2.construct"}));
}

TEST_F(LifeCycle, DeInitialiseDeletesOnlyThePrototype) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  TakeCalls();
  EXPECT_EQ(library_->DeInitialise(), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"P1.destroy", "deinitialise"}));
  EXPECT_EQ(library_->DeInitialise(), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"deinitialise"}));

  // The instance keeps working; code 8 makes a new prototype for the type.
  EXPECT_EQ(instance->SetFloatParameter(0, 0.75f), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"initialise", "factory", "P3.construct",
                                "P2.SetFloatParameter(0,0.75)"}));
  EXPECT_EQ(instance->GetFloatParameter(0), 0.75f);
}

TEST_F(LifeCycle, ConnectRunsOnceBeforeTheFirstFrameWhateverItAnswers) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  TakeCalls();
  probe::GetSwitches().connectFails = true;
  EXPECT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
  EXPECT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"P2.Connect", "P2.ProcessOpenGL(0)", "P2.ProcessOpenGL(0)"}));

  // A failing Disconnect keeps the flag; a succeeding one clears it.
  probe::GetSwitches().disconnectFails = true;
  EXPECT_EQ(instance->Disconnect(), FF_FAIL);
  EXPECT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
  probe::GetSwitches().disconnectFails = false;
  EXPECT_EQ(instance->Disconnect(), FF_SUCCESS);
  probe::GetSwitches().processFails = true;
  EXPECT_EQ(instance->ProcessOpenGL(), FF_FAIL);  // the frame's answer is passed on
  EXPECT_EQ(TakeCalls(), (Calls{"P2.Disconnect", "P2.ProcessOpenGL(0)", "P2.Disconnect",
                                "P2.Connect", "P2.ProcessOpenGL(0)"}));

  // Code 21 sets the flag only when Connect succeeds.
  EXPECT_EQ(instance->Disconnect(), FF_SUCCESS);
  EXPECT_EQ(instance->Connect(), FF_FAIL);
  probe::GetSwitches().connectFails = false;
  EXPECT_EQ(instance->Connect(), FF_SUCCESS);
  EXPECT_EQ(instance->ProcessOpenGL(), FF_FAIL);
  EXPECT_EQ(TakeCalls(), (Calls{"P2.Disconnect", "P2.Connect", "P2.Connect",
                                "P2.ProcessOpenGL(0)"}));

  // Teardown of a connected instance: Disconnect, DeInitGL, destructor,
  // also when Disconnect fails.
  probe::GetSwitches().disconnectFails = true;
  EXPECT_EQ(instance->Deinstantiate(), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"P2.Disconnect", "P2.DeInitGL", "P2.destroy"}));
}

TEST_F(LifeCycle, TeardownOfANeverConnectedInstanceSkipsDisconnect) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  TakeCalls();
  EXPECT_EQ(instance->Deinstantiate(), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"P2.DeInitGL", "P2.destroy"}));
  EXPECT_EQ(library_->Call(FF_DEINSTANTIATE_GL).bits, FF_FAIL);  // null instance
}

TEST_F(LifeCycle, ExceptionsDuringInstantiationDeleteTheNewObject) {
  probe::GetSwitches().throwIn = "SetTextParameter";
  const ViewportRecord viewport{0, 0, 4, 4};
  EXPECT_TRUE(testhost::IsFail(library_->InstantiateRaw(&viewport)));
  Calls calls = TakeCalls();
  EXPECT_EQ(calls.back(), "P2.destroy");

  probe::GetSwitches().throwIn = "InitGL";
  EXPECT_TRUE(testhost::IsFail(library_->InstantiateRaw(&viewport)));
  calls = TakeCalls();
  EXPECT_EQ(Calls(calls.end() - 3, calls.end()),
            (Calls{"P3.InitGL(0,0,4,4)", "P3.DeInitGL", "P3.destroy"}));

  probe::GetSwitches().throwIn = "factory";
  EXPECT_TRUE(testhost::IsFail(library_->InstantiateRaw(&viewport)));
  EXPECT_EQ(TakeCalls(), (Calls{"factory"}));
}

TEST_F(LifeCycle, ExceptionsDuringTeardownStillDeleteTheInstance) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  EXPECT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
  TakeCalls();
  probe::GetSwitches().throwIn = "Disconnect";
  EXPECT_EQ(instance->Deinstantiate(), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"P2.Disconnect", "P2.DeInitGL", "P2.destroy"}));

  auto other = Instantiate();
  ASSERT_TRUE(other);
  TakeCalls();
  probe::GetSwitches().throwIn = "DeInitGL";
  EXPECT_EQ(other->Deinstantiate(), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"P3.DeInitGL", "P3.destroy"}));
}

TEST_F(LifeCycle, FramesLandInTheBoundHostFramebuffer) {
  std::string error;
  auto framebuffer = testhost::HostFramebuffer::Create(8, 4, error);
  ASSERT_TRUE(framebuffer) << error;
  framebuffer->Clear(0.0f, 0.0f, 1.0f, 1.0f);
  auto instance = library_->Instantiate(framebuffer->Viewport());
  ASSERT_TRUE(instance);
  ASSERT_EQ(instance->SetFloatParameter(0, 1.0f), FF_SUCCESS);

  auto input = testhost::HostTexture::Create(1, 1, {1, 2, 3, 4});
  ASSERT_TRUE(input);
  EXPECT_EQ(instance->RenderFrame(*framebuffer, {input->Record(), framebuffer->AsTextureRecord()}),
            FF_SUCCESS);
  EXPECT_EQ(probe::Calls().back(), "P2.ProcessOpenGL(2)");

  const testhost::RgbaImage image = framebuffer->ReadPixels();
  for (const testhost::RgbaPixel pixel : {image.Pixel(0, 0), image.PixelFromTop(7, 0)}) {
    EXPECT_EQ(pixel.r, 255);
    EXPECT_NEAR(pixel.g, 128, 1);
    EXPECT_EQ(pixel.b, 0);
    EXPECT_EQ(pixel.a, 255);
  }

  const std::string path = ::testing::TempDir() + "host_framebuffer.png";
  ASSERT_TRUE(testhost::WritePng(path, image, error)) << error;
  std::ifstream file(path, std::ios::binary);
  char signature[8] = {};
  file.read(signature, 8);
  EXPECT_EQ(std::string(signature, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::remove(path.c_str());
}

}  // namespace
