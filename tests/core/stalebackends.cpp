// The entry points of a services library from another version: another interface number.
extern "C" {
__attribute__((visibility("default"))) int marrowby_backends_interface() {
    return -1;
}
__attribute__((visibility("default"))) void* marrowby_make_audio_out() {
    return nullptr;
}
}
