// Runs in the application's own script world, out of reach of the page's content: reports
// element events to the program and applies the program's changes to the page.
(function () {
    "use strict";
    const handleAttribute = "data-qv";

    function generation() {
        const meta = document.querySelector('meta[name="qv-generation"]');
        return meta ? parseInt(meta.getAttribute("content"), 10) : 0;
    }

    function byHandle(handle) {
        return document.querySelector("[" + handleAttribute + '="' + handle + '"]');
    }

    new QWebChannel(qt.webChannelTransport, function (channel) {
        const bridge = channel.objects.bridge;
        const myGeneration = generation();

        function report(type, event) {
            const element = event.target;
            if (!(element instanceof Element))
                return;
            const handle = parseInt(element.getAttribute(handleAttribute), 10);
            if (!(handle > 0))
                return;
            const selected = element instanceof HTMLSelectElement ? element.selectedIndex : -1;
            bridge.pageEvent(myGeneration, type, handle, selected);
        }

        for (const type of ["mouseover", "mouseout", "click", "change"])
            document.addEventListener(type, function (event) { report(type, event); }, true);

        bridge.childrenReplaced.connect(function (gen, handle, html) {
            const element = gen === myGeneration ? byHandle(handle) : null;
            if (element)
                element.innerHTML = html;
        });
        bridge.styleChanged.connect(function (gen, handle, property, value) {
            const element = gen === myGeneration ? byHandle(handle) : null;
            if (element)
                element.style.setProperty(property, value);
        });
        // One of the element's own lines, so that it never sits flush against the edge.
        function lineHeight(element) {
            const style = getComputedStyle(element);
            const height = parseFloat(style.lineHeight);
            return isNaN(height) ? 1.2 * parseFloat(style.fontSize) : height;
        }

        bridge.scrollIntoView.connect(function (gen, handle) {
            const element = gen === myGeneration ? byHandle(handle) : null;
            if (!element)
                return;
            const rect = element.getBoundingClientRect();
            // Without a horizontal scroll bar's height, which would hide what lies under it.
            const view = document.documentElement.clientHeight;
            if (rect.top >= 0 && rect.bottom <= view)
                return;
            const margin = lineHeight(element);
            // Below: its bottom rises to a margin above the edge, unless that would take its top
            // out of view; then, as when it is above, its top comes to a margin below the top.
            const fits = rect.height + 2 * margin <= view;
            const by = rect.bottom > view && fits ? rect.bottom + margin - view : rect.top - margin;
            // To a place, not by a distance: a second request while the page is still on its way
            // goes to the same place instead of as far again.
            window.scrollTo({ top: window.scrollY + by, behavior: "smooth" });
        });
        bridge.documentReady(myGeneration);
    });
})();
