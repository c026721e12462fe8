"""Default answers of the service page, one per server method."""
import datetime
from urllib.parse import quote

from .envelope import unscramble

SITE = '/brisvel/versions/250/site/kelo'
SERVICE_PAGE = SITE + '/services/web/printdriver/default.asp'
ORDER_PAGE = SITE + '/services/web/printdriver/order.asp'
UPLOAD_ENDPOINT = '/brisvel/versions/250/Comp/ISAPI/bvupload.dll'
IMAGES = SITE + '/images/'
LOGO_PATH = IMAGES + 'logo.bmp'
UPDATE_PACKAGE_PATH = SITE + '/download/Kelo Print Driver.msi'

LOGIN_REFUSED = 'ERROR_LOGIN_FAILED'
LOGIN_REFUSED_MESSAGE = 'Invalid user name or password'


def server_date(moment):
    """A date as the server writes it: 2002-03-05T09:07+00:00 (UTC)."""
    return moment.strftime('%Y-%m-%dT%H:%M') + '+00:00'


def _day_at(days, hour, minute=0):
    now = datetime.datetime.now(datetime.timezone.utc)
    day = now + datetime.timedelta(days=days)
    return server_date(day.replace(hour=hour, minute=minute, second=0, microsecond=0))


def credentials(values):
    """The user name and password of a login, with the scramble undone when the
    request says it is there ("encrypt" = "1")."""
    name = values.get('username')
    password = values.get('password')
    name = name if isinstance(name, str) else ''
    password = password if isinstance(password, str) else ''
    if values.get('encrypt') == '1':
        return unscramble(name), unscramble(password)
    return name, password


class AnswerContext:
    """What a default answer may depend on besides the request itself."""

    def __init__(self, state, listener_port):
        self.state = state
        self.listener_port = listener_port

    def base_url(self):
        return 'http://127.0.0.1:%d' % self.listener_port


def _ok(**fields):
    answer = {'returnCode': 'OK'}
    answer.update(fields)
    return answer


def _login(values, ctx):
    name, password = credentials(values)
    if ctx.state.check_user(name, password):
        return _ok(returnMessage='Welcome %s' % name)
    return {'returnCode': LOGIN_REFUSED, 'returnMessage': LOGIN_REFUSED_MESSAGE}


def _upload_job(values, ctx):
    number = ctx.state.next_number('upload')
    return _ok(uploadPath='/uploads/u%d' % number, uploadPort=str(ctx.state.upload_port(ctx.listener_port)))


def _resume_upload(values, ctx):
    size = ctx.state.stored_size(values.get('uploadPath', ''), values.get('filename', ''))
    return _ok(uploadPort=str(ctx.state.upload_port(ctx.listener_port)),
               serverFileSize=str(size), serverFileChecksum='0')


def _check_version(values, ctx):
    return _ok(versionSpec={
        'update': 'False',
        'critical': 'False',
        'downloadUrl': ctx.base_url() + quote(UPDATE_PACKAGE_PATH),
    })


_ANSWERS = {
    'getProtocol': lambda v, c: _ok(protocolSheme=c.state.protocol()),
    'login': _login,
    'disconnect': lambda v, c: _ok(),
    'createJob': lambda v, c: _ok(jobId=str(1000 + c.state.next_number('job'))),
    'getJobTypes': lambda v, c: _ok(jobTypes={'1': 'Documents', '2': 'Brochures', '3': 'Posters'}),
    'getLocalizationSection': lambda v, c: _ok(localizationsection='loc_%s' % v.get('pdLocale', '0')),
    'getJobSubTypes': lambda v, c: _ok(jobSubTypes={'11': 'Black and white', '12': 'Colour'}),
    'getJobSubTypeInfo': lambda v, c: _ok(jobSubTypeId=v.get('jobSubTypeId', ''),
                                          description='Printed on 80 g paper', minCopies='1'),
    'getWorkingHours': lambda v, c: _ok(startTime=_day_at(0, 8), endTime=_day_at(0, 18)),
    'getUrgencyParameters': lambda v, c: _ok(currentDate=_day_at(0, 12), urgentDate=_day_at(1, 12),
                                             expressDate=_day_at(2, 12), regularDate=_day_at(5, 12)),
    'getDefaultRequiredDate': lambda v, c: _ok(defaultDate=_day_at(3, 12)),
    'getCostCenterList': lambda v, c: _ok(selectedId='2',
                                          costCenterList={'1': 'Marketing', '2': 'Sales', '3': 'Support'}),
    'getCallUrl': lambda v, c: _ok(callUrl=ORDER_PAGE + '?session=lab'),
    'uploadJob_nogui': _upload_job,
    'resumeUploadJob': _resume_upload,
    'doneUpload': lambda v, c: _ok(jobId=v.get('jobId', '') if isinstance(v.get('jobId'), str) else ''),
    'getJobStatus': lambda v, c: _ok(status='received', progress='0'),
    'getTermsAndConditions': lambda v, c: _ok(result='Orders are printed on the next working day.'),
    'orderJob': lambda v, c: _ok(),
    'deleteJob': lambda v, c: _ok(),
    'getSteps': lambda v, c: _ok(steps={'1': 'Paper', '2': 'Finishing'}),
    'getRestDates': lambda v, c: _ok(restDates=[_day_at(6, 0), _day_at(7, 0)]),
    'getIsPriceVisible': lambda v, c: _ok(isPriceVisible='True'),
    'getIsReqDateEnabled': lambda v, c: _ok(isReqDateEnabled='True'),
    'checkClientVersion': _check_version,
    'prepareClientDownload': lambda v, c: _ok(succeeded='True'),
    'getLogo': lambda v, c: _ok(path=LOGO_PATH),
    'price': lambda v, c: _ok(price='12.50', discount='0.00', urgency='0.00', subtotal='12.50',
                              tax='2.38', total='14.88', nextPrice='11.00', nextQuantity='100'),
}

METHODS = tuple(_ANSWERS)


def default_answer(method, values, ctx):
    answer = _ANSWERS.get(method)
    if answer is None:
        return {'returnCode': 'ERROR_UNKNOWN_METHOD', 'returnMessage': 'Unknown method %s' % method}
    return answer(values, ctx)


def merge(base, override):
    """The override's fields over the base; nested dictionaries merge field by field,
    and None removes a field."""
    result = dict(base)
    for key, value in override.items():
        if value is None:
            result.pop(key, None)
        elif isinstance(value, dict) and isinstance(result.get(key), dict) and value:
            result[key] = merge(result[key], value)
        else:
            result[key] = value
    return result
