// Containers that keep controls in streams or storages (ATL, OLE documents)
// get the same sixteen values back.
#include "tests/wine/control/control_test_env.h"

namespace korvix::test {
namespace {

using hostkit::recording_property_bag;

void expect_all_changed_values(recording_property_bag& bag) {
    for (const persisted_key& k : persisted_keys()) {
        SCOPED_TRACE(narrow(k.key));
        auto stored = bag.value(k.key);
        ASSERT_TRUE(stored.has_value()) << "not written";
        EXPECT_TRUE(same_value(*changed_value(k.key).get(), *stored->get()));
    }
}

}  // namespace

class PersistStream : public ControlTest {};

TEST_F(PersistStream, StreamRoundTripKeepsAllSixteenValues) {
    auto source_bag = changed_bag();
    auto source = host_loaded(source_bag.get());
    auto persist = source->query<IPersistStreamInit>(IID_IPersistStreamInit);
    ASSERT_TRUE(persist);
    com_ptr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    ASSERT_EQ(persist->Save(stream.get(), TRUE), S_OK);
    ULARGE_INTEGER size_max{};
    EXPECT_EQ(persist->GetSizeMax(&size_max), S_OK);
    ULARGE_INTEGER written{};
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_CUR, &written);
    EXPECT_LE(written.QuadPart, size_max.QuadPart) << "GetSizeMax under-reports";
    ASSERT_EQ(stream->Seek(zero, STREAM_SEEK_SET, nullptr), S_OK);

    hostkit::hosted_control copy(frame_->hwnd(), kControlRect);
    ASSERT_EQ(copy.load_stream(stream.get()), S_OK);
    auto bag = save_all_to_new_bag(copy);
    expect_all_changed_values(*bag.get());
}

TEST_F(PersistStream, StorageRoundTripKeepsAllSixteenValues) {
    auto source_bag = changed_bag();
    auto source = host_loaded(source_bag.get());
    auto persist = source->query<IPersistStorage>(IID_IPersistStorage);
    ASSERT_TRUE(persist);
    com_ptr<IStorage> storage;
    ASSERT_EQ(::StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
                                 0, storage.put()),
              S_OK);
    ASSERT_EQ(persist->Save(storage.get(), FALSE), S_OK);
    EXPECT_EQ(persist->SaveCompleted(nullptr), S_OK);

    hostkit::hosted_control copy(frame_->hwnd(), kControlRect);
    ASSERT_EQ(copy.load_storage(storage.get()), S_OK);
    auto bag = save_all_to_new_bag(copy);
    expect_all_changed_values(*bag.get());
}

TEST_F(PersistStream, TruncatedStreamFailsWithoutHarm) {
    auto source_bag = changed_bag();
    auto source = host_loaded(source_bag.get());
    auto persist = source->query<IPersistStreamInit>(IID_IPersistStreamInit);
    ASSERT_TRUE(persist);
    com_ptr<IStream> full;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, full.put()), S_OK);
    ASSERT_EQ(persist->Save(full.get(), TRUE), S_OK);
    STATSTG stat{};
    ASSERT_EQ(full->Stat(&stat, STATFLAG_NONAME), S_OK);
    ASSERT_GT(stat.cbSize.QuadPart, 8u);

    // Copy all but the last bytes into a second stream.
    com_ptr<IStream> cut;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, cut.put()), S_OK);
    LARGE_INTEGER zero{};
    full->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULARGE_INTEGER keep;
    keep.QuadPart = stat.cbSize.QuadPart - 5;
    ASSERT_EQ(full->CopyTo(cut.get(), keep, nullptr, nullptr), S_OK);
    cut->Seek(zero, STREAM_SEEK_SET, nullptr);

    hostkit::hosted_control copy(frame_->hwnd(), kControlRect);
    EXPECT_TRUE(FAILED(copy.load_stream(cut.get())));
    EXPECT_EQ(copy.activate(), S_OK);  // still a working control
}

}  // namespace korvix::test
