#pragma once

#include "filter/FilterInterfaces.h"

#include <cstdint>
#include <span>

// Filter setup data: what the framework's filter list learns about a filter.
struct AMOVIESETUP_MEDIATYPE {
    const GUID *clsMajorType;
    const GUID *clsMinorType;
};

struct AMOVIESETUP_PIN {
    const char *strName;
    bool bRendered;
    bool bOutput;
    bool bZero;
    bool bMany;
    const CLSID *clsConnectsToFilter;
    const char *strConnectsToPin;
    unsigned nMediaTypes;
    const AMOVIESETUP_MEDIATYPE *lpMediaType;
};

struct AMOVIESETUP_FILTER {
    const CLSID *clsID;
    const char *strName;
    std::uint32_t dwMerit;
    unsigned nPins;
    const AMOVIESETUP_PIN *lpPin;
};

inline constexpr std::uint32_t MERIT_DO_NOT_USE = 0x00200000;

// One creatable class of the library.
struct CFactoryTemplate {
    const char *m_Name;
    const CLSID *m_ClsID;
    IUnknown *(*m_lpfnNew)(IUnknown *outer, HRESULT *hr);
    void (*m_lpfnInit)(bool loading, const CLSID *clsid);
    const AMOVIESETUP_FILTER *m_pAMovieSetup_Filter;

    bool IsClassID(REFCLSID clsid) const { return *m_ClsID == clsid; }
    IUnknown *CreateInstance(IUnknown *outer, HRESULT *hr) const { return m_lpfnNew(outer, hr); }

    // The library's class table, in registration order.
    static std::span<const CFactoryTemplate> Table();
    // Creates an object of a listed class; CLASS_E_CLASSNOTAVAILABLE for any other CLSID.
    // The caller owns *object.
    static HRESULT CreateClassInstance(REFCLSID clsid, IUnknown *outer, IUnknown **object);
    // Runs every entry's load routine (at load with true, at unload with false).
    static void CallLoadRoutines(bool loading);
    // The name the filter is listed under.
    static const char *FilterName();
};
