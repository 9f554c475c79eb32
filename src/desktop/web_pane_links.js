// Runs in an isolated world of every frame at document creation. Chromium
// rewrites addresses in the client's own link schemes (it escapes non-ASCII
// text, turns "open://3" into a host name, and hands Qt an invalid URL for
// "%u" escapes), so this script tells the pane what the page really holds:
//
//  - a navigation to a scheme the engine does not load is cancelled here and
//    reported with the link's raw href (getAttribute, not the resolved .href);
//    script navigations have no href and report the address Chromium keeps;
//  - a link that opens a new window is reported before the window request;
//  - a right click reports the raw href of the link under the pointer, and
//    the browser's own menu is suppressed.
//
// Reports go through prompt(): it is synchronous, so the pane has the report
// before the engine acts on the navigation. The pane answers "ok"; without
// that answer (dialogs blocked in a sandboxed frame) nothing is cancelled and
// the engine's own path takes over.
(function () {
    'use strict';
    var marker = '@MARKER@';
    var ask = window.prompt.bind(window);
    var engineSchemes = /^(https?|file|about|data|blob|javascript|qrc):/i;
    var clicked = null;

    function hex(text) {
        var out = '';
        for (var i = 0; i < text.length; i++)
            out += ('000' + text.charCodeAt(i).toString(16)).slice(-4);
        return out;
    }

    function report(fields) {
        try {
            return ask(marker, fields.join(' ')) === 'ok';
        } catch (e) {
            return false;
        }
    }

    function linkOf(event) {
        var path = event.composedPath ? event.composedPath() : [event.target];
        for (var i = 0; i < path.length; i++) {
            var node = path[i];
            if (node.nodeType === 1 && (node.localName === 'a' || node.localName === 'area') &&
                node.hasAttribute('href'))
                return node;
        }
        return null;
    }

    function namedFrameExists(name) {
        try {
            return !!window.top.frames[name];
        } catch (e) {
            return false;
        }
    }

    function opensWindow(link, event) {
        if (event.button === 1 || event.ctrlKey || event.shiftKey || event.metaKey)
            return true;
        var base = document.querySelector('base[target]');
        var target = (link.getAttribute('target') || (base ? base.getAttribute('target') : '') || '')
                         .toLowerCase();
        if (target === '' || target === '_self' || target === '_parent' || target === '_top')
            return false;
        return target === '_blank' || !namedFrameExists(target);
    }

    function onClick(event) {
        var link = linkOf(event);
        if (!link)
            return;
        var raw = link.getAttribute('href');
        clicked = { raw: raw, url: link.href };
        // The navigation a click causes starts within the same task.
        setTimeout(function () { clicked = null; }, 0);
        if (opensWindow(link, event))
            report(['popup', hex(raw), hex(link.href)]);
    }

    window.addEventListener('click', onClick, true);
    window.addEventListener('auxclick', function (event) {
        if (event.button === 1)
            onClick(event);
    }, true);

    if (window.navigation) {
        window.navigation.addEventListener('navigate', function (event) {
            var url = event.destination.url;
            var exact = clicked !== null && clicked.url === url;
            var address = exact ? clicked.raw : url;
            clicked = null;
            if (engineSchemes.test(url) || !event.cancelable)
                return;
            if (report(['navigate', hex(address), exact ? 'raw' : 'engine']))
                event.preventDefault();
        });
    }

    window.addEventListener('contextmenu', function (event) {
        var link = linkOf(event);
        var href = link ? link.getAttribute('href') : '';
        if (report(['menu', hex(href), Math.round(event.screenX), Math.round(event.screenY)]))
            event.preventDefault();
    }, true);
})();
