#include "MediaSupport.h"

#include "LazyLibrary.h"

#include <gst/gst.h>

namespace MediaSupport {
namespace {

// GStreamer, opened when a sound is first decoded.
struct Gst
{
    decltype(&gst_init_check) initCheck = nullptr;
    decltype(&gst_element_factory_find) factoryFind = nullptr;
    decltype(&gst_object_unref) objectUnref = nullptr;
    decltype(&gst_mini_object_unref) miniObjectUnref = nullptr;
    decltype(&gst_parse_launch) parseLaunch = nullptr;
    decltype(&gst_bin_get_by_name) binGetByName = nullptr;
    decltype(&gst_element_set_state) setState = nullptr;
    decltype(&gst_element_get_bus) getBus = nullptr;
    decltype(&gst_bus_timed_pop_filtered) timedPopFiltered = nullptr;
    decltype(&gst_buffer_new_allocate) bufferNewAllocate = nullptr;
    decltype(&gst_buffer_fill) bufferFill = nullptr;
    decltype(&gst_buffer_map) bufferMap = nullptr;
    decltype(&gst_buffer_unmap) bufferUnmap = nullptr;
    decltype(&g_signal_connect_data) signalConnect = nullptr;
    decltype(&g_signal_emit_by_name) signalEmitByName = nullptr;
    decltype(&g_clear_error) clearError = nullptr;
    bool complete = false;
};

const Gst& gst()
{
    static const LazyLibrary gstreamer({"libgstreamer-1.0.so.0"});
    static const LazyLibrary gobject({"libgobject-2.0.so.0"});
    static const Gst functions = [] {
        Gst g;
        g.complete =
            gstreamer.bind(g.initCheck, "gst_init_check") &&
            gstreamer.bind(g.factoryFind, "gst_element_factory_find") &&
            gstreamer.bind(g.objectUnref, "gst_object_unref") &&
            gstreamer.bind(g.miniObjectUnref, "gst_mini_object_unref") &&
            gstreamer.bind(g.parseLaunch, "gst_parse_launch") &&
            gstreamer.bind(g.binGetByName, "gst_bin_get_by_name") &&
            gstreamer.bind(g.setState, "gst_element_set_state") &&
            gstreamer.bind(g.getBus, "gst_element_get_bus") &&
            gstreamer.bind(g.timedPopFiltered, "gst_bus_timed_pop_filtered") &&
            gstreamer.bind(g.bufferNewAllocate, "gst_buffer_new_allocate") &&
            gstreamer.bind(g.bufferFill, "gst_buffer_fill") &&
            gstreamer.bind(g.bufferMap, "gst_buffer_map") &&
            gstreamer.bind(g.bufferUnmap, "gst_buffer_unmap") &&
            gobject.bind(g.signalConnect, "g_signal_connect_data") &&
            gobject.bind(g.signalEmitByName, "g_signal_emit_by_name") &&
            gobject.bind(g.clearError, "g_clear_error");
        return g;
    }();
    return functions;
}

void collect(GstElement*, GstBuffer* buffer, GstPad*, gpointer data)
{
    GstMapInfo map;
    if (gst().bufferMap(buffer, &map, GST_MAP_READ)) {
        static_cast<QByteArray*>(data)->append(reinterpret_cast<const char*>(map.data),
                                               qsizetype(map.size));
        gst().bufferUnmap(buffer, &map);
    }
}

} // namespace

QStringList MissingElements()
{
    static const QStringList missing = [] {
        static const char* const kNeeded[] = {"appsrc",       "decodebin",      "typefind",
                                              "audioconvert", "audioresample",  "capsfilter",
                                              "fakesink",     "mpegaudioparse", "mpg123audiodec"};
        const Gst& g = gst();
        if (!g.complete || !g.initCheck(nullptr, nullptr, nullptr))
            return QStringList{QStringLiteral("gstreamer")};
        QStringList absent;
        for (const char* name : kNeeded) {
            if (GstElementFactory* factory = g.factoryFind(name))
                g.objectUnref(factory);
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
    const Gst& g = gst();
    GError* error = nullptr;
    GstElement* pipeline = g.parseLaunch(description.constData(), &error);
    if (error)
        g.clearError(&error);
    if (!pipeline)
        return {};
    // A description of several elements always makes a pipeline, which is a bin.
    GstBin* bin = reinterpret_cast<GstBin*>(pipeline);
    GstElement* in = g.binGetByName(bin, "in");
    GstElement* out = g.binGetByName(bin, "out");
    QByteArray pcm;
    bool ended = false;
    if (in && out) {
        g.signalConnect(out, "handoff", G_CALLBACK(collect), &pcm, nullptr, GConnectFlags(0));
        g.setState(pipeline, GST_STATE_PLAYING);
        GstBuffer* buffer = g.bufferNewAllocate(nullptr, gsize(sound.size()), nullptr);
        g.bufferFill(buffer, 0, sound.constData(), gsize(sound.size()));
        GstFlowReturn flow = GST_FLOW_OK;
        // push-buffer takes its own reference.
        g.signalEmitByName(in, "push-buffer", buffer, &flow);
        g.miniObjectUnref(GST_MINI_OBJECT_CAST(buffer));
        g.signalEmitByName(in, "end-of-stream", &flow);
        GstBus* bus = g.getBus(pipeline);
        GstMessage* message = g.timedPopFiltered(
            bus, 10 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        if (message)
            g.miniObjectUnref(GST_MINI_OBJECT_CAST(message));
        g.objectUnref(bus);
        g.setState(pipeline, GST_STATE_NULL);
    }
    if (in)
        g.objectUnref(in);
    if (out)
        g.objectUnref(out);
    g.objectUnref(pipeline);
    return ended ? pcm : QByteArray();
}

} // namespace MediaSupport
