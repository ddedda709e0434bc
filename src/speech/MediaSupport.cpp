#include "MediaSupport.h"

#include <gst/gst.h>

namespace MediaSupport {

QStringList MissingElements()
{
    static const QStringList missing = [] {
        // What Qt's player and audio output link together, and the MP3 parser and decoder.
        static const char* const kNeeded[] = {
            "queue",    "identity",      "input-selector", "fakesink",       "appsrc",
            "typefind", "decodebin",     "uridecodebin",   "audioconvert",   "audioresample",
            "volume",   "autoaudiosink", "pulsesink",      "mpegaudioparse", "mpg123audiodec"};
        QStringList absent;
        if (!gst_init_check(nullptr, nullptr, nullptr))
            return QStringList{QStringLiteral("gstreamer")};
        for (const char* name : kNeeded) {
            if (GstElementFactory* factory = gst_element_factory_find(name))
                gst_object_unref(factory);
            else
                absent.append(QString::fromLatin1(name));
        }
        return absent;
    }();
    return missing;
}

} // namespace MediaSupport
