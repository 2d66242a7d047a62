// The object map over rows of the test's own: class objects created once, kept, retried after a
// failure and released at detach; rows left out of registration, and a failing row stopping it.
#include "server/ObjectMap.h"
#include "server/Registration.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace quenvar {
namespace {

// {5E1A0C01-0000-4000-8000-000000000001} and ...02, ...03, ...04
constexpr CLSID kFirst = {0x5E1A0C01, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};
constexpr CLSID kSecond = {0x5E1A0C01, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 2}};
constexpr CLSID kThird = {0x5E1A0C01, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 3}};
constexpr CLSID kFourth = {0x5E1A0C01, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 4}};

// A class object that counts its references.
class CountedObject final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!IsEqualGUID(riid, IID_IUnknown)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    ULONG references = 0;
};

CountedObject classObject;
HRESULT nextCreation = S_OK;  // what the next creation answers; it succeeds once S_OK
int creations = 0;

HRESULT CreateCounted(void*, REFIID riid, void** ppv)
{
    ++creations;
    if (FAILED(nextCreation)) return std::exchange(nextCreation, S_OK);
    return classObject.QueryInterface(riid, ppv);
}

std::vector<const CLSID*> updates;  // the rows whose registry update ran, in order
template <const CLSID* Clsid, HRESULT Result>
HRESULT Update(BOOL)
{
    updates.push_back(Clsid);
    return Result;
}
DWORD_PTR Included() { return 0; }
DWORD_PTR Excluded() { return 1; }

class ServerMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.size = kModuleStateSize;
        ASSERT_EQ(InitializeModule(&state, rows, nullptr), S_OK);
        classObject.references = 0;
        nextCreation = S_OK;
        creations = 0;
        updates.clear();
    }
    void TearDown() override
    {
        if (!shutDown) (void)ShutDownModule(&state);
    }

    ObjectMapEntry rows[5] = {
        {&kFirst, &Update<&kFirst, S_OK>, &CreateCounted, nullptr, nullptr, &Excluded},
        {&kSecond, &Update<&kSecond, S_OK>, &CreateCounted, nullptr, nullptr, &Included},
        {&kThird, &Update<&kThird, E_ACCESSDENIED>, &CreateCounted, nullptr, nullptr, &Included},
        {&kFourth, &Update<&kFourth, S_OK>, &CreateCounted, nullptr, nullptr, &Included},
        {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    ModuleState state{};
    bool shutDown = false;
};

TEST_F(ServerMap, FailedClassObjectCreationIsRetriedByTheNextCall)
{
    void* object = nullptr;
    nextCreation = E_OUTOFMEMORY;
    EXPECT_EQ(LookUpClassObject(&state, kSecond, IID_IUnknown, &object), E_OUTOFMEMORY);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(rows[1].classObject, nullptr);

    ASSERT_EQ(LookUpClassObject(&state, kSecond, IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, &classObject);
    static_cast<IUnknown*>(object)->Release();
    ASSERT_EQ(LookUpClassObject(&state, kSecond, IID_IUnknown, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(creations, 2);  // created once, then kept
}

TEST_F(ServerMap, DetachReleasesTheKeptClassObject)
{
    void* object = nullptr;
    ASSERT_EQ(LookUpClassObject(&state, kFourth, IID_IUnknown, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(classObject.references, 1u);  // the map's own reference

    EXPECT_EQ(ShutDownModule(&state), S_OK);
    shutDown = true;
    EXPECT_EQ(classObject.references, 0u);
    EXPECT_EQ(rows[3].classObject, nullptr);
}

TEST_F(ServerMap, RegistrationSkipsExcludedRowsAndStopsAtTheFirstFailure)
{
    // The type library is not even looked for after a failing row.
    EXPECT_EQ(RegisterClasses(&state, /*registerTypeLibrary=*/TRUE), E_ACCESSDENIED);
    EXPECT_EQ(updates, (std::vector<const CLSID*>{&kSecond, &kThird}));

    // Removal goes through every included row whatever each answers.
    updates.clear();
    EXPECT_EQ(UnregisterClasses(&state), S_OK);
    EXPECT_EQ(updates, (std::vector<const CLSID*>{&kSecond, &kThird, &kFourth}));
}

}  // namespace
}  // namespace quenvar
