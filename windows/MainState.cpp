#include "windows/MainState.h"

#include <algorithm>

conv::RunRequest RunRequestOf(const TMainState& state)
{
    conv::RunRequest request;
    request.picture = state.picture;
    request.outputFolder = state.outputFolder.toStdString();
    if (state.mode == smImages) {
        for (const QString& image : state.images)
            request.inputs.push_back(image.toStdString());
    } else {
        request.picks.start = state.startFrame;
        request.picks.end = state.endFrame;
        // A step typed below 1 (the field not yet left) counts as 1: the run always ends.
        request.picks.step = std::max(1, state.frameStep);
        request.inputs = {state.movie.toStdString()};
        if (state.moviesDropped.size() > 1 && state.moviesDropped.last() == state.movie) {
            request.inputs.clear();
            for (const QString& movie : state.moviesDropped)
                request.inputs.push_back(movie.toStdString());
            if (state.endFrame >= state.lastFrame)
                request.picks.end.reset();
        }
    }
    conv::ApplyRunOptions(state.options, request);
    return request;
}
