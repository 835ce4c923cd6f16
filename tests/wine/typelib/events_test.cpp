// __Twain, the event dispinterface: what a host's event sink is built from.
#include <gtest/gtest.h>

#include "control/korvix_ids.h"
#include "tests/wine/typelib/expected_interface.h"
#include "tests/wine/typelib/typelib_reader.h"

namespace korvix::test {
namespace {

class EventInterface : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib_);
        ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(DIID___Twain, events_.put()));
    }

    com_apartment apartment_;
    com_ptr<ITypeLib> lib_ = load_module_library();
    com_ptr<ITypeInfo> events_;
};

TEST_F(EventInterface, IsAHiddenNonextensiblePureDispinterface) {
    type_attr attr(events_.get());
    ASSERT_TRUE(attr);
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    EXPECT_EQ(TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE, attr->wTypeFlags);
    EXPECT_EQ(12, attr->cFuncs);
    EXPECT_EQ(0, attr->cVars);
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    // A pure dispinterface on IDispatch, with no vtable face of its own.
    ASSERT_EQ(1, attr->cImplTypes);
    HREFTYPE href = 0;
    ASSERT_EQ(S_OK, events_->GetRefTypeOfImplType(0, &href));
    EXPECT_EQ(L"IDispatch", name_of(referenced(events_.get(), href).get()));
    EXPECT_NE(S_OK, events_->GetRefTypeOfImplType(static_cast<UINT>(-1), &href));
}

TEST_F(EventInterface, DeclaresTwelveEventsWithTheirParameters) {
    for (UINT i = 0; i < 12; ++i) {
        const expected_event& e = kEvents[i];
        SCOPED_TRACE(e.name);
        func_desc f(events_.get(), i);
        ASSERT_TRUE(f);
        EXPECT_EQ(e.id, f->memid);
        EXPECT_EQ(FUNC_DISPATCH, f->funckind);
        EXPECT_EQ(INVOKE_FUNC, f->invkind);
        EXPECT_EQ(0, f->wFuncFlags);
        EXPECT_EQ(L"VOID", describe(events_.get(), f->elemdescFunc.tdesc));
        ASSERT_EQ(static_cast<SHORT>(e.count), f->cParams);
        EXPECT_EQ(0, f->cParamsOpt);
        std::vector<std::wstring> names{e.name};
        for (UINT p = 0; p < e.count; ++p) {
            SCOPED_TRACE(e.params[p].name);
            EXPECT_EQ(e.params[p].type, describe(events_.get(), f->lprgelemdescParam[p].tdesc));
            EXPECT_EQ(e.params[p].flags, f->lprgelemdescParam[p].paramdesc.wParamFlags);
            names.push_back(e.params[p].name);
        }
        EXPECT_EQ(names, names_of(events_.get(), e.id));
        const documentation doc = doc_of(events_.get(), e.id);
        EXPECT_EQ(e.name, doc.name);
        EXPECT_EQ(e.help, doc.help);
        EXPECT_EQ(e.context, doc.context);
    }
}

TEST_F(EventInterface, ProgressAloneTakesItsValueByValue) {
    for (UINT i = 0; i < 12; ++i) {
        func_desc f(events_.get(), i);
        ASSERT_TRUE(f);
        for (SHORT p = 0; p < f->cParams; ++p) {
            const bool by_ref = f->lprgelemdescParam[p].tdesc.vt == VT_PTR;
            EXPECT_EQ(f->memid != DISPID_TwainEvent_Progress, by_ref) << kEvents[i].name;
        }
    }
}

}  // namespace
}  // namespace korvix::test
