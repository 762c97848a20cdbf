#include "filter/CFactoryTemplate.h"

#include "device/DeviceAccess.h"
#include "filter/CCameraControl.h"
#include "filter/CFormatPage.h"
#include "filter/CTevalFilter.h"

#include <array>

namespace {

constexpr AMOVIESETUP_MEDIATYPE kPinTypes = {&MEDIATYPE_Video, &MEDIASUBTYPE_MJPG};

constexpr AMOVIESETUP_PIN kPin = {"",         false,   true, false,     false,
                                  &GUID_NULL, nullptr, 1,    &kPinTypes};

constexpr AMOVIESETUP_FILTER kFilterSetup = {&CLSID_TevalCap, "Document Camera", MERIT_DO_NOT_USE,
                                             1, &kPin};

void FilterLoadRoutine(bool loading, const CLSID *)
{
    if (!loading) {
        ReleaseDevice();
    }
}

const std::array<CFactoryTemplate, 3> kTemplates{{
    {"Document Camera", &CLSID_TevalCap, CTevalFilter::CreateInstance, FilterLoadRoutine,
     &kFilterSetup},
    {"Video Format", &CLSID_FormatPage, CFormatPage::CreateInstance, nullptr, nullptr},
    {"Camera Control", &CLSID_CameraControlPage, CCameraControl::CreateInstance, nullptr, nullptr},
}};

} // namespace

std::span<const CFactoryTemplate> CFactoryTemplate::Table()
{
    return kTemplates;
}

HRESULT CFactoryTemplate::CreateClassInstance(REFCLSID clsid, IUnknown *outer, IUnknown **object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    for (const CFactoryTemplate &entry : kTemplates) {
        if (!entry.IsClassID(clsid)) {
            continue;
        }
        HRESULT hr = S_OK;
        IUnknown *created = entry.CreateInstance(outer, &hr);
        if (created == nullptr) {
            return FAILED(hr) ? hr : E_OUTOFMEMORY;
        }
        if (FAILED(hr)) {
            delete created;
            return hr;
        }
        *object = created;
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void CFactoryTemplate::CallLoadRoutines(bool loading)
{
    for (const CFactoryTemplate &entry : kTemplates) {
        if (entry.m_lpfnInit != nullptr) {
            entry.m_lpfnInit(loading, entry.m_ClsID);
        }
    }
}

const char *CFactoryTemplate::FilterName()
{
    return kFilterSetup.strName;
}
