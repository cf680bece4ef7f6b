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
        bridge.documentReady(myGeneration);
    });
})();
