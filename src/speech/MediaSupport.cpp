#include "MediaSupport.h"

#include <gst/gst.h>

namespace MediaSupport {
namespace {

void collect(GstElement*, GstBuffer* buffer, GstPad*, gpointer data)
{
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        static_cast<QByteArray*>(data)->append(reinterpret_cast<const char*>(map.data),
                                               qsizetype(map.size));
        gst_buffer_unmap(buffer, &map);
    }
}

} // namespace

QStringList MissingElements()
{
    static const QStringList missing = [] {
        static const char* const kNeeded[] = {"appsrc",       "decodebin",      "typefind",
                                              "audioconvert", "audioresample",  "capsfilter",
                                              "fakesink",     "mpegaudioparse", "mpg123audiodec"};
        if (!gst_init_check(nullptr, nullptr, nullptr))
            return QStringList{QStringLiteral("gstreamer")};
        QStringList absent;
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

QByteArray DecodeToPcm(const QByteArray& sound, int sampleRate)
{
    if (!CanDecodeMp3() || sound.isEmpty() || sampleRate <= 0)
        return {};
    const QByteArray description = "appsrc name=in ! decodebin ! audioconvert ! audioresample ! "
                                   "audio/x-raw,format=S16LE,channels=1,rate=" +
                                   QByteArray::number(sampleRate) +
                                   " ! fakesink name=out signal-handoffs=true sync=false";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.constData(), &error);
    if (error)
        g_clear_error(&error);
    if (!pipeline)
        return {};
    GstElement* in = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    QByteArray pcm;
    bool ended = false;
    if (in && out) {
        g_signal_connect(out, "handoff", G_CALLBACK(collect), &pcm);
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, gsize(sound.size()), nullptr);
        gst_buffer_fill(buffer, 0, sound.constData(), gsize(sound.size()));
        GstFlowReturn flow = GST_FLOW_OK;
        // push-buffer takes its own reference.
        g_signal_emit_by_name(in, "push-buffer", buffer, &flow);
        gst_buffer_unref(buffer);
        g_signal_emit_by_name(in, "end-of-stream", &flow);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 10 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
    }
    if (in)
        gst_object_unref(in);
    if (out)
        gst_object_unref(out);
    gst_object_unref(pipeline);
    return ended ? pcm : QByteArray();
}

} // namespace MediaSupport
