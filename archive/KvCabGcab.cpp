// The cabinet backend on libgcab.
#include <cstring>
#include <memory>

#include "KvCabBackend.h"
#include "KvErrors.h"

#ifdef KALVORA_HAVE_GCAB
#include <gio/gio.h>
#include <libgcab.h>
#endif

namespace kv {

#ifdef KALVORA_HAVE_GCAB
namespace {

template <class T>
struct GUnref {
  void operator()(T* p) const {
    if (p) g_object_unref(p);
  }
};
template <class T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

struct Loaded {
  GPtr<GFile> file;
  GPtr<GFileInputStream> in;
  GPtr<GCabCabinet> cab;
};

void load(Loaded& l, const std::string& name) {
  l.file.reset(g_file_new_for_path(name.c_str()));
  GError* err = nullptr;
  l.in.reset(g_file_read(l.file.get(), nullptr, &err));
  if (!l.in) {
    g_clear_error(&err);
    throw EKvReadError();
  }
  l.cab.reset(gcab_cabinet_new());
  if (!gcab_cabinet_load(l.cab.get(), G_INPUT_STREAM(l.in.get()), nullptr, &err)) {
    g_clear_error(&err);
    throw EKvInvalidCabFile();
  }
}

template <class F>
void eachFile(GCabCabinet* cab, F f) {
  GPtrArray* folders = gcab_cabinet_get_folders(cab);
  for (guint i = 0; folders && i < folders->len; ++i) {
    GSList* files = gcab_folder_get_files(GCAB_FOLDER(g_ptr_array_index(folders, i)));
    for (GSList* l = files; l; l = l->next) f(GCAB_FILE(l->data));
    g_slist_free(files);
  }
}

struct Pick {
  int want, seen = 0;
};

gboolean pickOne(GCabFile* file, gpointer data) {
  auto* p = static_cast<Pick*>(data);
  bool take = p->seen++ == p->want;
  // Whatever its stored name, the entry lands under a fixed name in our own folder.
  if (take) gcab_file_set_extract_name(file, "entry.bin");
  return take;
}

class GcabBackend : public KvCabBackend {
 public:
  std::vector<KvCabEntry> List(const std::string& cabinet) override {
    Loaded l;
    load(l, cabinet);
    std::vector<KvCabEntry> out;
    eachFile(l.cab.get(), [&](GCabFile* f) {
      KvCabEntry e;
      e.Name = gcab_file_get_name(f);
      e.Size = gcab_file_get_size(f);
      e.Attributes = gcab_file_get_attributes(f);
      if (GDateTime* dt = gcab_file_get_date_time(f)) {
        e.MTime = g_date_time_to_unix(dt);
        g_date_time_unref(dt);
      }
      out.push_back(e);
    });
    return out;
  }

  void ExtractOne(const std::string& cabinet, int index, const std::string& targetFile) override {
    Loaded l;
    load(l, cabinet);
    std::string dir = targetFile.substr(0, targetFile.find_last_of('/'));
    GPtr<GFile> d(g_file_new_for_path(dir.c_str()));
    Pick p{index};
    GError* err = nullptr;
    bool ok = gcab_cabinet_extract_simple(l.cab.get(), d.get(), pickOne, &p, nullptr, &err);
    g_clear_error(&err);
    std::string got = dir + "/entry.bin";
    if (!ok || p.seen <= index) throw EKvFDICopyError();
    if (got != targetFile && std::rename(got.c_str(), targetFile.c_str()) != 0) throw EKvFDICopyError();
  }

  void Write(const std::string& cabinet, const std::vector<KvCabInput>& files, int compression) override {
    if (compression != kCabNoCompression && compression != kCabMSZip) throw EKvFCIAddFileError();
    GPtr<GCabCabinet> cab(gcab_cabinet_new());
    GPtr<GCabFolder> folder(
        gcab_folder_new(compression == kCabMSZip ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE));
    GError* err = nullptr;
    for (const auto& in : files) {
      GPtr<GFile> gf(g_file_new_for_path(in.DiskFile.c_str()));
      GPtr<GCabFile> cf(gcab_file_new_with_file(in.StoredName.c_str(), gf.get()));
      if (in.MTime >= 0) {
        GDateTime* dt = g_date_time_new_from_unix_utc(in.MTime);
        gcab_file_set_date_time(cf.get(), dt);
        g_date_time_unref(dt);
      }
      if (!gcab_folder_add_file(folder.get(), cf.get(), FALSE, nullptr, &err)) {
        g_clear_error(&err);
        throw EKvFCIAddFileError();
      }
    }
    if (!gcab_cabinet_add_folder(cab.get(), folder.get(), &err)) {
      g_clear_error(&err);
      throw EKvFCICreateError();
    }
    GPtr<GFile> out(g_file_new_for_path(cabinet.c_str()));
    GPtr<GFileOutputStream> os(g_file_replace(out.get(), nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, &err));
    if (!os) {
      g_clear_error(&err);
      throw EKvFCIFileOpenError();
    }
    bool ok = gcab_cabinet_write_simple(cab.get(), G_OUTPUT_STREAM(os.get()), nullptr, nullptr, nullptr, &err);
    g_clear_error(&err);
    bool closed = g_output_stream_close(G_OUTPUT_STREAM(os.get()), nullptr, &err);
    g_clear_error(&err);
    if (!ok) throw EKvFCIFileWriteError();
    if (!closed) throw EKvFCIFileCloseError();
  }
};

GcabBackend& gcabBackend() {
  static GcabBackend b;
  return b;
}

}  // namespace
#endif

namespace {
bool replaced = false;
KvCabBackend* chosen = nullptr;
}  // namespace

KvCabBackend* KvCabinetBackend() {
  if (replaced) return chosen;
#ifdef KALVORA_HAVE_GCAB
  return &gcabBackend();
#else
  return nullptr;
#endif
}

void KvUseDefaultCabinetBackend() { replaced = false; }

void KvSetCabinetBackend(KvCabBackend* backend) {
  replaced = true;
  chosen = backend;
}

}  // namespace kv
